#pragma once

#include "VectorExactMath.h"

#include <iostream>
#include <vector>

/** Holds the engine's vector maths at most this many lanes wide for a scope. */
struct PathChoice
{
    explicit PathChoice (int lanes) { vectorexactmath::limitLanes (lanes); }
    ~PathChoice() { vectorexactmath::limitLanes (8); }
};

/** The vector paths this machine can take (8, 4 and 2 lanes, the two-lane one everywhere), each
    missing one named once in the output. */
inline std::vector<int> vectorPaths()
{
    static bool told = false;
    std::vector<int> paths;
    for (const int lanes : { 8, 4, 2 })
    {
        if (vectorexactmath::availableLanes() >= lanes)
            paths.push_back (lanes);
        else if (! told)
            std::cout << "[ SKIPPED  ] the " << lanes << "-lane vector path: this machine lacks " << (lanes == 8 ? "AVX-512F" : "AVX2 and FMA") << "\n";
    }
    told = true;
    return paths;
}
