#include "AtanShapes.h"

#include "VectorExactMath.h"

namespace
{
template <int mode>
void shape (float* samples, int count, float g) noexcept
{
    constexpr int maxCount = 256;
    double arguments[maxCount];
    float arctangents[maxCount];

    for (int start = 0; start < count; start += maxCount)
    {
        float* x = samples + start;
        const int n = count - start < maxCount ? count - start : maxCount;

        for (int i = 0; i < n; ++i)
            arguments[i] = mode == 0 ? atanArgumentLight (x[i], g) : mode == 3 ? atanArgumentBlend (x[i])
                                                                               : atanArgumentFull (x[i], g);

        vectorexactmath::atanToFloat (arguments, arctangents, n);

        for (int i = 0; i < n; ++i)
            x[i] = mode == 0 ? atanFinishLight (x[i], arctangents[i]) : mode == 3 ? atanFinishBlend (x[i], arctangents[i], g)
                                                                                  : atanFinishFull (x[i], arctangents[i]);
    }
}
} // namespace

void atanShapeBlock (int mode, float* samples, int count, float g) noexcept
{
    switch (mode)
    {
        case 0: shape<0> (samples, count, g); break;
        case 3: shape<3> (samples, count, g); break;
        case 4: shape<4> (samples, count, g); break;
        default: break;
    }
}
