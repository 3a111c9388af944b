#include "AtanShapes.h"
#include "SqrtSaturator.h"

#include <gtest/gtest.h>

namespace
{
template <typename Shape>
float shaped (Shape shape, float x, float g)
{
    shape (x, g);
    return x;
}
} // namespace

TEST (AtanShapes, KnownValues)
{
    EXPECT_FLOAT_EQ (shaped (atanShapeLight, 0.5f, 1.0f), 0.9423842f);
    EXPECT_FLOAT_EQ (shaped (atanShapeLight, -0.5f, 1.0f), -0.9272025f);
    EXPECT_FLOAT_EQ (shaped (atanShapeBlend, 0.5f, 1.0f), 1.273176f);
    EXPECT_FLOAT_EQ (shaped (atanShapeBlend, 1.0f, 0.5f), 1.839812f);
    EXPECT_FLOAT_EQ (shaped (atanShapeFull, 0.5f, 1.0f), 1.084372f);
    EXPECT_FLOAT_EQ (shaped (atanShapeFull, -0.5f, 1.0f), -0.912982f);

    // The light curve's squared term vanishes at g = 0.2: then it is odd.
    EXPECT_EQ (shaped (atanShapeLight, 0.3f, 0.2f), -shaped (atanShapeLight, -0.3f, 0.2f));
}

TEST (AtanShapes, ZeroStaysZeroAndHalfWavesDiffer)
{
    for (float g : { 0.0f, 0.2f, 0.5f, 1.0f, 3.0f })
    {
        EXPECT_EQ (shaped (atanShapeLight, 0.0f, g), 0.0f);
        EXPECT_EQ (shaped (atanShapeBlend, 0.0f, g), 0.0f);
        EXPECT_EQ (shaped (atanShapeFull, 0.0f, g), 0.0f);
    }

    for (float x : { 0.1f, 0.5f, 0.9f })
    {
        EXPECT_NE (shaped (atanShapeLight, x, 1.0f), -shaped (atanShapeLight, -x, 1.0f));
        EXPECT_NE (shaped (atanShapeBlend, x, 1.0f), -shaped (atanShapeBlend, -x, 1.0f));
        EXPECT_NE (shaped (atanShapeFull, x, 1.0f), -shaped (atanShapeFull, -x, 1.0f));
    }
}

TEST (SqrtSaturator, SettlesAtTheBlendedLevel)
{
    EXPECT_EQ (SqrtSaturator().coefficient, 0.0251188651f); // 10^-1.6

    // clang-format off
    struct Case { float input; float strong; float mild; };
    // clang-format on
    for (const auto& c : { Case { 1.0f, 1.5f, 1.3f }, Case { 0.01f, 0.024f, 0.0184f },
                           Case { -1.0f, -1.5f, -1.3f }, Case { -0.01f, -0.024f, -0.0184f } })
    {
        SqrtSaturator strong, mild;
        float sl = 0, sr = 0, ml = 0, mr = 0;
        for (int i = 0; i < 5000; ++i)
        {
            sl = sr = ml = mr = c.input;
            strong.processStrong (sl, sr);
            mild.processMild (ml, mr);
        }
        EXPECT_NEAR (sl, c.strong, 1e-5) << c.input;
        EXPECT_NEAR (ml, c.mild, 1e-5) << c.input;
        EXPECT_EQ (sl, sr);
    }
}

TEST (SqrtSaturator, FirstSampleChannelsAndFlush)
{
    SqrtSaturator saturator;
    float left = 1.0f, right = 0.0f;
    saturator.processStrong (left, right);
    EXPECT_FLOAT_EQ (left, 1.0125594f);
    EXPECT_EQ (right, 0.0f);
    EXPECT_EQ (saturator.stateRight, 0.0f);
    EXPECT_GT (saturator.stateLeft, 0.0f);

    // A state at or below 1e-10 reads exactly 0 on the next call; the output still uses it.
    SqrtSaturator tiny;
    tiny.stateLeft = 1e-10f;
    tiny.stateRight = 1e-10f;
    float l = 0.0f, r = 0.0f;
    tiny.processMild (l, r);
    EXPECT_EQ (tiny.stateLeft, 0.0f);
    EXPECT_GT (l, 0.0f);

    // A NaN state is cleared the same way.
    tiny.stateLeft = std::numeric_limits<float>::quiet_NaN();
    l = 0.5f;
    tiny.processMild (l, r);
    EXPECT_EQ (tiny.stateLeft, 0.0f);
}
