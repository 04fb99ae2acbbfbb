#include "GeometryHash.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace
{
// The 64-bit finaliser of MurmurHash3: every input bit reaches every output bit.
std::uint64_t mix(std::uint64_t h)
{
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    return h ^ (h >> 33);
}

using Corner = std::array<std::uint32_t, 3>;

Corner bits(const Vector3<float>& p)
{
    Corner c;
    for (int i = 0; i < 3; ++i)
    {
        const float x = p[i] == 0.0f ? 0.0f : p[i]; // -0 welds with 0
        std::memcpy(&c[i], &x, sizeof x);
    }
    return c;
}
} // namespace

GeometryHashSums geometryHashSums(const std::vector<Vector3<float>>& positions,
                                  const std::vector<Vector3<unsigned int>>& triangles,
                                  std::size_t first, std::size_t last)
{
    std::uint64_t sum = 0, xored = 0;
    for (std::size_t i = first; i < last && i < triangles.size(); ++i)
    {
        const Vector3<unsigned int>& t = triangles[i];
        const Corner c[3] = {bits(positions[t[0]]), bits(positions[t[1]]), bits(positions[t[2]])};
        // The rotation that reads smallest: the same start whatever corner the file began at.
        std::array<std::uint32_t, 9> best{}, words{};
        for (std::size_t r = 0; r < 3; ++r)
        {
            for (std::size_t k = 0; k < 9; ++k)
                words[k] = c[(r + k / 3) % 3][k % 3];
            if (r == 0 || words < best)
                best = words;
        }
        // Two independent chains; summed and xored over the triangles, so their order and
        // their positions' order do not matter.
        std::uint64_t a = 0x9e3779b97f4a7c15ULL, b = 0x632be59bd9b4e019ULL;
        for (const std::uint32_t w : best)
        {
            a = mix(a ^ w);
            b = mix(b + (std::uint64_t(w) << 32 | 0x5bd1e995u));
        }
        sum += a;
        xored ^= b;
    }
    return {sum, xored};
}

std::string geometryHashText(const GeometryHashSums& sums)
{
    char text[33];
    std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(sums.sum),
                  static_cast<unsigned long long>(sums.xored));
    return text;
}

std::string geometryHash(const std::vector<Vector3<float>>& positions,
                         const std::vector<Vector3<unsigned int>>& triangles)
{
    return geometryHashText(geometryHashSums(positions, triangles, 0, triangles.size()));
}
