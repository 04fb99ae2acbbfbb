#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The faces at each vertex in compressed rows: the faces of vertex v are
// faces()[start(v) .. start(v + 1)), ascending, each listed once even where a face names v
// twice. Built by a counting sort over the faces in index order, so rows come out sorted.
class VertexFaces
{
public:
    // cornersOf(f) gives the three corners of face f (anything indexable by 0, 1, 2).
    // A corner at or above numVerts belongs to no row.
    template <class CornersOf>
    void build(std::size_t numVerts, std::size_t numFaces, CornersOf cornersOf)
    {
        mStart.assign(numVerts + 1, 0);
        const auto forEachCorner = [&](std::size_t f, auto&& visit)
        {
            const auto c = cornersOf(f);
            const std::uint32_t c0 = c[0], c1 = c[1], c2 = c[2];
            if (c0 < numVerts)
                visit(c0);
            if (c1 != c0 && c1 < numVerts)
                visit(c1);
            if (c2 != c0 && c2 != c1 && c2 < numVerts)
                visit(c2);
        };
        for (std::size_t f = 0; f < numFaces; ++f)
            forEachCorner(f, [this](std::uint32_t v) { ++mStart[v + std::size_t(1)]; });
        for (std::size_t v = 0; v < numVerts; ++v)
            mStart[v + 1] += mStart[v];
        mFaces.assign(mStart[numVerts], 0);
        // Each row start serves as its own fill cursor, ending at the next row's start; one
        // shift puts them back. No second array of numVerts cursors.
        for (std::size_t f = 0; f < numFaces; ++f)
            forEachCorner(f, [&](std::uint32_t v)
                          { mFaces[mStart[v]++] = static_cast<std::uint32_t>(f); });
        for (std::size_t v = numVerts; v > 0; --v)
            mStart[v] = mStart[v - 1];
        mStart[0] = 0;
    }

    std::size_t vertices() const { return mStart.empty() ? 0 : mStart.size() - 1; }
    std::size_t start(std::size_t v) const { return mStart[v]; }
    const std::vector<std::uint32_t>& faces() const { return mFaces; }
    const std::uint32_t* begin(std::size_t v) const { return mFaces.data() + mStart[v]; }
    const std::uint32_t* end(std::size_t v) const { return mFaces.data() + mStart[v + 1]; }

    void clear()
    {
        mStart = std::vector<std::size_t>();
        mFaces = std::vector<std::uint32_t>();
    }

private:
    std::vector<std::size_t> mStart; // numVerts + 1 row starts
    std::vector<std::uint32_t> mFaces;
};
