#include "SupportCode/WeldShares.h"

#include "SupportCode/WeldMap.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>

namespace
{
// Whether some point welds with an earlier one; the same for any number of threads, as
// equal keys fall to one share. Every share stops once one has found such a point.
bool anyRepeated(const std::vector<Vector3<float>>& points, unsigned int threads)
{
    threads = std::max(1u, threads);
    std::atomic<bool> repeated{false};
    const auto positionOf = [&points](unsigned int i) -> const Vector3<float>&
    { return points[i]; };
    const auto shareOf = [threads](const Vector3<float>& p)
    {
        const WeldKey k = WeldKey::of(p);
        const std::uint32_t h = k.x * 0x9E3779B1u ^ k.y * 0x85EBCA77u ^ k.z * 0xC2B2AE3Du;
        return (h >> 16) % threads;
    };
    const auto weld = [&](unsigned int share)
    {
        WeldMap map;
        map.reserve(points.size() / threads + 16, positionOf);
        // Points in a file are far apart in the table: look a few ahead.
        constexpr std::size_t AHEAD = 8;
        for (std::size_t i = 0; i < points.size() && !repeated.load(std::memory_order_relaxed); ++i)
        {
            if (i + AHEAD < points.size() && shareOf(points[i + AHEAD]) == share)
                map.prefetch(points[i + AHEAD]);
            if (shareOf(points[i]) == share &&
                map.findOrInsert(points[i], static_cast<unsigned int>(i), positionOf) != i)
                repeated = true;
        }
    };
    std::vector<std::exception_ptr> failed(threads);
    std::vector<std::thread> helpers;
    for (unsigned int share = 0; share < threads; ++share)
    {
        const auto run = [&weld, &failed, share]
        {
            try
            {
                weld(share);
            }
            catch (...)
            {
                failed[share] = std::current_exception();
            }
        };
        if (share + 1 < threads)
            helpers.emplace_back(run);
        else
            run();
    }
    for (std::thread& t : helpers)
        t.join();
    for (const std::exception_ptr& e : failed)
        if (e)
            std::rethrow_exception(e);
    return repeated;
}

} // namespace

bool allDistinct(const std::vector<Vector3<float>>& points, unsigned int threads)
{
    return !anyRepeated(points, threads);
}
