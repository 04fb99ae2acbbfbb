// Keys crafted so that their hashes collide under one seed must not make the tables probe
// long runs under the process's own seed. Cost is counted in probed slots, not timed.

#include "SupportCode/IndexTable.h"

#include "HalfEdgeMesh.h"

#include "SupportCode/WeldMap.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
using V3 = Vector3<float>;

// The first n values v = 0, 1, ... whose seed-0 hash of key(v) has the top `bits` bits of 0.
template <class Key> std::vector<unsigned int> colliding(std::size_t n, int bits, Key key)
{
    std::vector<unsigned int> found;
    for (unsigned int v = 0; found.size() < n; ++v)
        if (IndexTable::hashWith(0, key(v), 0) >> (64 - bits) == 0)
            found.push_back(v);
    return found;
}

TEST(IndexTable, CraftedPositionsWeldInFewProbes)
{
    // Positions (v, 0, 0) with v an exact float; their key is (bits of v) << 32.
    const auto key = [](unsigned int v) { return std::uint64_t{WeldKey::bits(float(v))} << 32; };
    const std::vector<unsigned int> values = colliding(2000, 12, key);
    std::vector<V3> positions;
    for (const unsigned int v : values)
        positions.emplace_back(float(v), 0.0f, 0.0f);
    const auto positionOf = [&positions](unsigned int i) -> const V3& { return positions[i]; };

    IndexTable unseeded(0); // the same keys do collide without the seed
    for (unsigned int i = 0; i < positions.size(); ++i)
        unseeded.findOrInsert(
            IndexTable::hashWith(0, key(values[i]), 0), i, [](unsigned int) { return false; },
            [&](unsigned int j) { return IndexTable::hashWith(0, key(values[j]), 0); });
    EXPECT_GT(unseeded.probes(), 100 * positions.size());

    WeldMap map;
    for (int round = 0; round < 2; ++round) // the second round finds every one again
        for (unsigned int i = 0; i < positions.size(); ++i)
            ASSERT_EQ(map.findOrInsert(positions[i], i, positionOf), i);
    EXPECT_EQ(map.size(), positions.size());
    EXPECT_LE(map.probes(), 8 * 2 * positions.size());
}

class Hub : public HalfEdgeMesh
{
public:
    using HalfEdgeMesh::overflowEdgeProbes;
};

TEST(IndexTable, HubSpokesCollidingInTheEdgeTableStayCheap)
{
    // Vertex 0 is the hub; vertex v > 0 lies at (v, 1, 0), made by far triangles in order.
    const auto at = [](unsigned int v) { return v == 0 ? V3(0, 0, 0) : V3(float(v), 1, 0); };
    std::vector<unsigned int> spokes = colliding(601, 6, [](unsigned int v) { return v; });
    spokes.erase(spokes.begin()); // vertex 0 is no spoke
    Hub mesh;
    for (unsigned int v = 0; v <= spokes.back(); v += 3)
        mesh.addTriangle(at(v), at(v + 1), at(v + 2));
    const std::uint64_t before = mesh.overflowEdgeProbes();
    for (std::size_t i = 0; i + 1 < spokes.size(); ++i)
        mesh.addTriangle(at(0), at(spokes[i]), at(spokes[i + 1]));
    EXPECT_GT(mesh.overflowEdgeProbes(), before); // the spokes did go through the table
    EXPECT_LE(mesh.overflowEdgeProbes() - before, 8 * 3 * spokes.size());
}
} // namespace
