#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

// An open-addressing hash set of 32-bit indices whose keys live elsewhere: the caller hands
// in the hash of the key it looks for and a function telling whether a stored index has
// that key, and for growing, the hash of a stored index. So a table holds 8 bytes a slot
// however large the keys: the index and the top half of its hash. A lookup reads a stored
// key (far away: a cache miss) only where that half matches its own, nearly always just
// the key it looks for, and growing reads no keys at all.
//
// Hashes should come from hash(), which is keyed by a seed drawn once per process: keys
// chosen to collide under one seed scatter under another, so no input file can make the
// probe runs long. The table decides only which stored index equals a key, never an order,
// so results do not depend on the seed.
class IndexTable
{
public:
    static constexpr std::uint32_t NONE = 0xFFFFFFFFu; // an empty slot; never stored

    explicit IndexTable(std::uint64_t seed = processSeed()) : mSeed(seed) {}

    // A hash of up to 128 bits of key, keyed by the seed.
    std::uint64_t hash(std::uint64_t a, std::uint64_t b = 0) const { return hashWith(mSeed, a, b); }
    static std::uint64_t hashWith(std::uint64_t seed, std::uint64_t a, std::uint64_t b)
    {
        const std::uint64_t h = mix(a ^ seed ^ 0xA0761D6478BD642Full, b ^ 0xE7037ED1A0B428DBull);
        return mix(h ^ seed, 0x8EBC6AF09C88C6E3ull);
    }

    std::size_t size() const { return mCount; }
    bool empty() const { return mCount == 0; }
    std::size_t slots() const { return mSlots.size(); } // a power of two, at least 16, or 0
    // Slots examined by all lookups so far: the table's own measure of its cost.
    std::uint64_t probes() const { return mProbes; }

    // Room for n indices without growing.
    template <class HashOf> void reserve(std::size_t n, HashOf hashOf)
    {
        if (slotsFor(n) > mSlots.size())
            rehash(slotsFor(n), hashOf);
    }

    // Starts loading the first slot a lookup of hash h reads; lets a caller with many keys
    // in hand overlap their cache misses. Always inlined, like every prefetch-only function
    // here: GCC counts such a function pure and drops the calls.
    [[gnu::always_inline]] void prefetch(std::uint64_t h) const
    {
        if (!mSlots.empty())
            __builtin_prefetch(&mSlots[static_cast<std::size_t>(h >> mShift)]);
    }

    // The index in the first slot a lookup of hash h reads if its tag matches h, else NONE:
    // nearly always the one index that lookup will compare, whose key can so be loaded
    // early.
    std::uint32_t firstCandidate(std::uint64_t h) const
    {
        if (mSlots.empty())
            return NONE;
        const Slot& slot = mSlots[static_cast<std::size_t>(h >> mShift)];
        return slot.tag == tagOf(h) ? slot.index : NONE;
    }

    // The stored index for which matches(index) holds, or NONE.
    template <class Matches> std::uint32_t find(std::uint64_t h, Matches matches) const
    {
        return mSlots.empty() ? NONE : mSlots[slotFor(h, matches)].index;
    }

    // The stored index matching the key, or else newIndex, entered for it. matches and
    // hashOf are only asked about indices already stored.
    template <class Matches, class HashOf>
    std::uint32_t findOrInsert(std::uint64_t h, std::uint32_t newIndex, Matches matches,
                               HashOf hashOf)
    {
        if (slotsFor(mCount + 1) > mSlots.size())
            rehash(slotsFor(mCount + 1), hashOf);
        Slot& slot = mSlots[slotFor(h, matches)];
        if (slot.index == NONE)
        {
            slot = Slot{newIndex, tagOf(h)};
            ++mCount;
        }
        return slot.index;
    }

    void clear()
    {
        mSlots.clear();
        mSlots.shrink_to_fit();
        mCount = 0;
    }

    static std::uint64_t processSeed()
    {
        static const std::uint64_t seed = []
        {
            std::uint64_t s = static_cast<std::uint64_t>(
                std::chrono::steady_clock::now().time_since_epoch().count());
            try
            {
                std::random_device device;
                s ^= (static_cast<std::uint64_t>(device()) << 32) ^ device();
            }
            catch (...)
            {
                // No entropy source: the clock alone still differs between runs.
            }
            return s;
        }();
        return seed;
    }

private:
    // The folded 128-bit product: every output bit depends on every input bit.
    static std::uint64_t mix(std::uint64_t a, std::uint64_t b)
    {
        __extension__ typedef unsigned __int128 Wide;
        const Wide p = static_cast<Wide>(a) * b;
        return static_cast<std::uint64_t>(p) ^ static_cast<std::uint64_t>(p >> 64);
    }

    // At most half full: a miss then ends after about two probes.
    static std::size_t slotsFor(std::size_t n)
    {
        std::size_t slots = 16;
        while (slots < 2 * n)
            slots *= 2;
        return slots;
    }

    struct Slot
    {
        std::uint32_t index; // NONE: empty
        std::uint32_t tag;   // the top half of the index's hash
    };
    static std::uint32_t tagOf(std::uint64_t h) { return static_cast<std::uint32_t>(h >> 32); }

    // The slot holding the matching index, or the empty slot that ends the probe run.
    template <class Matches> std::size_t slotFor(std::uint64_t h, Matches matches) const
    {
        const std::size_t mask = mSlots.size() - 1;
        const std::uint32_t tag = tagOf(h);
        std::size_t i = static_cast<std::size_t>(h >> mShift);
        ++mProbes;
        while (mSlots[i].index != NONE && (mSlots[i].tag != tag || !matches(mSlots[i].index)))
        {
            i = (i + 1) & mask;
            ++mProbes;
        }
        return i;
    }

    template <class HashOf> void rehash(std::size_t slots, HashOf hashOf)
    {
        std::vector<Slot> old(slots, Slot{NONE, 0});
        old.swap(mSlots);
        mShift = 64;
        for (std::size_t s = slots; s > 1; s >>= 1)
            --mShift;
        const std::size_t mask = slots - 1;
        for (const Slot& slot : old)
        {
            if (slot.index == NONE)
                continue;
            // The tag holds the bits that pick a slot, unless the table has over 2^32 slots.
            const std::uint64_t h =
                mShift >= 32 ? std::uint64_t{slot.tag} << 32 : hashOf(slot.index);
            std::size_t i = static_cast<std::size_t>(h >> mShift);
            while (mSlots[i].index != NONE)
                i = (i + 1) & mask;
            mSlots[i] = slot;
        }
    }

    std::uint64_t mSeed;
    std::vector<Slot> mSlots; // a power of two in size, or empty
    std::size_t mCount = 0;
    unsigned int mShift = 64; // 64 - log2(mSlots.size())
    mutable std::uint64_t mProbes = 0;
};
