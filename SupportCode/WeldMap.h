#pragma once

#include "IndexTable.h"
#include "Vector3.h"
#include "WeldKey.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

// The welding map of a mesh: from a position to the index of the vertex at that position.
// Two positions are the same key exactly when neither orders before the other (every
// coordinate compares equal, so -0 welds with +0); a NaN coordinate, which has no order,
// matches only the same bits.
//
// The positions themselves stay in the mesh's vertex array; the map holds only vertex
// indices in an open-addressing table, and every call that compares keys is handed the
// array through positionOf(index). That keeps welding at 16 to 32 bytes a vertex instead
// of a tree node's 64, and a lookup at one or two probes instead of a descent of twenty.
// In a mesh file a position comes back a few triangles after its first use, so a small
// direct-mapped cache of recent keys answers most lookups without touching the table or
// the positions, both far apart in memory (so even find() writes: one thread at a time).
class WeldMap
{
public:
    static constexpr unsigned int NONE = IndexTable::NONE; // not a vertex index

    std::size_t size() const { return mTable.size(); }
    bool empty() const { return mTable.empty(); }
    std::uint64_t probes() const { return mTable.probes(); }

    // Room for n keys without growing (and so without re-reading positions).
    template <class PositionOf> void reserve(std::size_t n, PositionOf positionOf)
    {
        mTable.reserve(n, hashOf(positionOf));
        sizeCache();
    }

    // Starts loading the table slot where a lookup of v begins (see IndexTable::prefetch)
    // and v's entry in the cache of recent keys. Always inlined, as prefetchMatch: see
    // IndexTable::prefetch.
    [[gnu::always_inline]] void prefetch(const Vector3<float>& v) const
    {
        const std::uint64_t h = hash(WeldKey::of(v));
        mTable.prefetch(h);
        if (!mCache.empty())
            __builtin_prefetch(&cacheFor(h));
    }
    // Starts loading the stored position a lookup of v compares first, if any; for a while
    // after prefetch(v), when the slot has come in.
    template <class PositionOf>
    [[gnu::always_inline]] void prefetchMatch(const Vector3<float>& v, PositionOf positionOf) const
    {
        const unsigned int i = mTable.firstCandidate(hash(WeldKey::of(v)));
        if (i != NONE)
            __builtin_prefetch(&positionOf(i));
    }

    // The index stored for a position equal to v, or NONE.
    template <class PositionOf>
    unsigned int find(const Vector3<float>& v, PositionOf positionOf) const
    {
        if (mTable.empty())
            return NONE;
        const WeldKey key = WeldKey::of(v);
        const std::uint64_t h = hash(key);
        CacheEntry& cached = cacheFor(h);
        if (cached.index != NONE && cached.key == key)
            return cached.index;
        const unsigned int index = mTable.find(h, matches(key, positionOf));
        if (index != NONE)
            cached = CacheEntry{key, index};
        return index;
    }

    // The index stored for a position equal to v; if there is none, enters v with newIndex
    // and returns that. One probe sequence serves both. positionOf is only asked for
    // indices already entered, so the caller may store the new position afterwards.
    template <class PositionOf>
    unsigned int findOrInsert(const Vector3<float>& v, unsigned int newIndex, PositionOf positionOf)
    {
        const WeldKey key = WeldKey::of(v);
        const std::uint64_t h = hash(key);
        if (!mCache.empty())
        {
            const CacheEntry& cached = cacheFor(h);
            if (cached.index != NONE && cached.key == key)
                return cached.index;
        }
        const unsigned int index =
            mTable.findOrInsert(h, newIndex, matches(key, positionOf), hashOf(positionOf));
        sizeCache();
        cacheFor(h) = CacheEntry{key, index};
        return index;
    }

    void clear()
    {
        mTable.clear();
        mCache.clear();
        mCache.shrink_to_fit();
    }

private:
    struct CacheEntry
    {
        WeldKey key;
        unsigned int index; // NONE: empty
    };

    std::uint64_t hash(const WeldKey& k) const
    {
        return mTable.hash(static_cast<std::uint64_t>(k.x) << 32 | k.y, k.z);
    }
    template <class PositionOf> auto hashOf(PositionOf positionOf) const
    {
        return [this, positionOf](unsigned int i) { return hash(WeldKey::of(positionOf(i))); };
    }
    template <class PositionOf> static auto matches(const WeldKey& key, PositionOf positionOf)
    {
        return [&key, positionOf](unsigned int i) { return WeldKey::of(positionOf(i)) == key; };
    }

    CacheEntry& cacheFor(std::uint64_t h) const { return mCache[(h >> 20) & (mCache.size() - 1)]; }

    // A slot for about every fourth key, up to 32768 (512 KiB): small meshes keep a small
    // cache. Its entries are re-entered as keys come back.
    void sizeCache()
    {
        const std::size_t entries = std::min<std::size_t>(mTable.slots() / 8, 32768);
        if (mCache.size() < entries)
            mCache.assign(entries, CacheEntry{WeldKey{0, 0, 0}, NONE});
    }

    IndexTable mTable;                      // vertex indices
    mutable std::vector<CacheEntry> mCache; // recent keys; a power of two in size (at least 2)
};
