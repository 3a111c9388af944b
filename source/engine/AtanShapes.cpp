#include "AtanShapes.h"

#include "VectorExactMath.h"

void atanShapeBlock (int mode, float* samples, int count, float g) noexcept
{
    constexpr int piece = 256;
    int redo[piece];
    for (int start = 0; start < count; start += piece)
    {
        float* x = samples + start;
        const int n = count - start < piece ? count - start : piece;

        // The lanes whose arctangent the vector path could not decide kept their samples.
        const int uncertain = vectorexactmath::atanShape (mode, x, n, g, redo);
        for (int k = 0; k < uncertain; ++k)
        {
            float& sample = x[redo[k]];
            // clang-format off
            switch (mode)
            {
                case 0:  atanShapeLight (sample, g); break;
                case 3:  atanShapeBlend (sample, g); break;
                default: atanShapeFull (sample, g); break;
            }
            // clang-format on
        }
    }
}
