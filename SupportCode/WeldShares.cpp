#include "SupportCode/WeldShares.h"

#include "SupportCode/WeldMap.h"

#include <exception>
#include <thread>

std::vector<std::uint32_t> firstEqualPoints(const std::vector<Vector3<float>>& points,
                                            unsigned int threads)
{
    threads = std::max(1u, threads);
    std::vector<std::uint32_t> first(points.size());
    const auto positionOf = [&points](unsigned int i) -> const Vector3<float>&
    { return points[i]; };
    const auto weld = [&](unsigned int share)
    {
        WeldMap map;
        map.reserve(points.size() / 2 / threads + 16, positionOf);
        for (std::size_t i = 0; i < points.size(); ++i)
        {
            // Equal keys fall to one share, whatever the table does with the hash.
            const WeldKey k = WeldKey::of(points[i]);
            const std::uint32_t h = k.x * 0x9E3779B1u ^ k.y * 0x85EBCA77u ^ k.z * 0xC2B2AE3Du;
            if ((h >> 16) % threads == share)
                first[i] = map.findOrInsert(points[i], static_cast<unsigned int>(i), positionOf);
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
    return first;
}
