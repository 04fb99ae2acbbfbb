#pragma once

#include "Vector3.h"

#include <cstdint>
#include <cstring>

// A position as the bits of its coordinates, -0 folded onto +0: two keys are equal exactly
// when the welding maps' order calls the positions equal, for every value but NaN (a NaN
// key equals only the same NaN bits). Keys let a hash table weld as that order does.
struct WeldKey
{
    std::uint32_t x, y, z;

    static std::uint32_t bits(float f)
    {
        if (f == 0.0f)
            f = 0.0f;
        std::uint32_t u;
        std::memcpy(&u, &f, sizeof u);
        return u;
    }
    static WeldKey of(const Vector3<float>& p) { return {bits(p[0]), bits(p[1]), bits(p[2])}; }

    bool operator==(const WeldKey& o) const { return x == o.x && y == o.y && z == o.z; }
};
