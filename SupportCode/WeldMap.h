#pragma once

#include "SupportCode/Vector3.h"
#include "SupportCode/WeldKey.h"

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
// array through positionOf(index). That keeps welding at 8 to 16 bytes a vertex instead
// of a tree node's 64, and a lookup at one or two probes instead of a descent of twenty.
// In a mesh file a position comes back a few triangles after its first use, so a small
// direct-mapped cache of recent keys answers most lookups without touching the table or
// the positions, both far apart in memory (so even find() writes: one thread at a time).
class WeldMap
{
public:
    static constexpr unsigned int NONE = 0xFFFFFFFFu; // not a vertex index

    std::size_t size() const { return mCount; }
    bool empty() const { return mCount == 0; }

    // Room for n keys without growing (and so without re-reading positions).
    template <class PositionOf> void reserve(std::size_t n, PositionOf positionOf)
    {
        if (slotsFor(n) > mSlots.size())
            rehash(slotsFor(n), positionOf);
    }

    // The index stored for a position equal to v, or NONE.
    template <class PositionOf>
    unsigned int find(const Vector3<float>& v, PositionOf positionOf) const
    {
        if (mSlots.empty())
            return NONE;
        const WeldKey key = WeldKey::of(v);
        const std::uint64_t h = hash(key);
        CacheEntry& cached = cacheFor(h);
        if (cached.index != NONE && cached.key == key)
            return cached.index;
        const unsigned int index = mSlots[slotFor(key, h, positionOf)];
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
        if (slotsFor(mCount + 1) > mSlots.size())
            rehash(slotsFor(mCount + 1), positionOf);
        const WeldKey key = WeldKey::of(v);
        const std::uint64_t h = hash(key);
        CacheEntry& cached = cacheFor(h);
        if (cached.index != NONE && cached.key == key)
            return cached.index;
        unsigned int& slot = mSlots[slotFor(key, h, positionOf)];
        if (slot == NONE)
        {
            slot = newIndex;
            ++mCount;
        }
        cached = CacheEntry{key, slot};
        return slot;
    }

    void clear()
    {
        mSlots.clear();
        mSlots.shrink_to_fit();
        mCache.clear();
        mCache.shrink_to_fit();
        mCount = 0;
    }

private:
    struct CacheEntry
    {
        WeldKey key;
        unsigned int index; // NONE: empty
    };

    // At most half full: a miss then ends after about two probes.
    static std::size_t slotsFor(std::size_t n)
    {
        std::size_t slots = 16;
        while (slots < 2 * n)
            slots *= 2;
        return slots;
    }

    static std::uint64_t hash(const WeldKey& k)
    {
        const std::uint64_t h = (static_cast<std::uint64_t>(k.x) * 0x9E3779B97F4A7C15ull) ^
                                (static_cast<std::uint64_t>(k.y) * 0xC2B2AE3D27D4EB4Full) ^
                                (static_cast<std::uint64_t>(k.z) * 0x165667B19E3779F9ull);
        return (h ^ (h >> 29)) * 0xBF58476D1CE4E5B9ull;
    }

    CacheEntry& cacheFor(std::uint64_t h) const { return mCache[(h >> 20) & (mCache.size() - 1)]; }

    // The slot holding key, or the empty slot that ends its probe sequence.
    template <class PositionOf>
    std::size_t slotFor(const WeldKey& key, std::uint64_t h, PositionOf positionOf) const
    {
        const std::size_t mask = mSlots.size() - 1;
        std::size_t i = static_cast<std::size_t>(h >> mShift);
        while (mSlots[i] != NONE && !(WeldKey::of(positionOf(mSlots[i])) == key))
            i = (i + 1) & mask;
        return i;
    }

    void place(const WeldKey& key, unsigned int index)
    {
        const std::size_t mask = mSlots.size() - 1;
        std::size_t i = static_cast<std::size_t>(hash(key) >> mShift);
        while (mSlots[i] != NONE)
            i = (i + 1) & mask;
        mSlots[i] = index;
    }

    template <class PositionOf> void rehash(std::size_t slots, PositionOf positionOf)
    {
        std::vector<unsigned int> old(slots, NONE);
        old.swap(mSlots);
        mShift = 64;
        for (std::size_t s = slots; s > 1; s >>= 1)
            --mShift;
        for (const unsigned int index : old)
            if (index != NONE)
                place(WeldKey::of(positionOf(index)), index);
        // A slot for about every fourth key, up to 32768 (512 KiB): small meshes keep a
        // small cache. Its entries are re-entered as keys come back.
        const std::size_t entries = std::min<std::size_t>(slots / 8, 32768);
        if (mCache.size() < entries)
            mCache.assign(entries, CacheEntry{WeldKey{0, 0, 0}, NONE});
    }

    std::vector<unsigned int> mSlots;       // vertex indices; a power of two in size, or empty
    mutable std::vector<CacheEntry> mCache; // recent keys; a power of two in size (at least 2)
    std::size_t mCount = 0;
    unsigned int mShift = 64; // 64 - log2(mSlots.size())
};
