#pragma once

#include "VectorExactMath.h"

/** Holds the engine's vector maths on one path (four-lane or two-lane) for a scope. */
struct PathChoice
{
    explicit PathChoice (bool wide) { vectorexactmath::allowWidePath (wide); }
    ~PathChoice() { vectorexactmath::allowWidePath (true); }
};
