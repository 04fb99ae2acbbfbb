#include "bench/Subdivide.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <map>

TEST(Subdivide, TetrahedronSplitsWithSharedMidpointsAndStaysClosed)
{
    MeshData m{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
               {{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {2, 0, 3}}};
    ASSERT_TRUE(splitOnce(m));
    const std::vector<Vector3<float>> mids = {{0, 0.5f, 0},    {0.5f, 0.5f, 0}, {0.5f, 0, 0},
                                              {0.5f, 0, 0.5f}, {0, 0, 0.5f},    {0, 0.5f, 0.5f}};
    ASSERT_EQ(m.verts.size(), 10u);
    for (std::size_t i = 0; i < mids.size(); ++i)
        EXPECT_EQ(m.verts[4 + i], mids[i]) << i;
    const std::vector<Vector3<unsigned int>> tris = {
        {0, 4, 6}, {4, 2, 5}, {6, 5, 1}, {4, 5, 6}, {0, 6, 8}, {6, 1, 7}, {8, 7, 3}, {6, 7, 8},
        {1, 5, 7}, {5, 2, 9}, {7, 9, 3}, {5, 9, 7}, {2, 4, 9}, {4, 0, 8}, {9, 8, 3}, {4, 8, 9}};
    EXPECT_EQ(m.tris, tris);
    ASSERT_TRUE(splitOnce(m));
    EXPECT_EQ(m.verts.size(), 34u);
    ASSERT_EQ(m.tris.size(), 64u);
    std::map<std::pair<unsigned, unsigned>, int> directed; // each edge once each way
    for (const Vector3<unsigned int>& t : m.tris)
        for (int k = 0; k < 3; ++k)
            ++directed[{t[k], t[(k + 1) % 3]}];
    EXPECT_EQ(directed.size(), 192u);
    for (const auto& [e, n] : directed)
        EXPECT_TRUE(n == 1 && directed.count({e.second, e.first}) == 1)
            << e.first << " " << e.second;
    // The nearest float to the exact midpoint, also where the sum overflows float.
    MeshData big{{{FLT_MAX, 1, 0}, {FLT_MAX, 2, 0}, {0, 0, 0}}, {{0, 1, 2}}};
    ASSERT_TRUE(splitOnce(big));
    EXPECT_EQ(big.verts[3], Vector3<float>(FLT_MAX, 1.5f, 0));
    EXPECT_EQ(big.verts[4], Vector3<float>(FLT_MAX / 2, 1, 0));
}
