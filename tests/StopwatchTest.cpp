#include "SupportCode/Stopwatch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

using namespace std::chrono_literals;

TEST(Stopwatch, TimeSourceInBothPrecisions)
{
    const double whole = seconds(false), fine = seconds(true);
    EXPECT_EQ(whole, std::floor(whole));
    EXPECT_TRUE(fine >= whole && fine < whole + 2.0);
    EXPECT_GT(whole, 1.6e9); // seconds since 1970, not since boot
    Stopwatch coarse;
    coarse.highPrecision(false);
    coarse.start();
    EXPECT_EQ(coarse.read(), std::floor(coarse.read()));
}

TEST(Stopwatch, ReadStopStartAndResume)
{
    Stopwatch w, skipping, counting;
    EXPECT_EQ(w.read(), 0.0) << "idle until started";
    EXPECT_EQ(w.stop(), 0.0);
    w.start();
    skipping.start();
    counting.start();
    const double first = w.read(), a = skipping.stop(), b = counting.stop();
    std::this_thread::sleep_for(100ms);
    EXPECT_GE(w.read() - first, 0.099);
    EXPECT_EQ(w.running(), 1);
    const double stopped = w.stop();
    std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(w.running() == 0 && w.read() == stopped && w.stop() == stopped)
        << "a stopped watch stays as it is";
    w.start();
    EXPECT_LT(w.read(), stopped);

    skipping.resume(true); // the 100 ms halt is skipped, unless asked not to
    counting.resume(false);
    EXPECT_EQ(skipping.running(), 1);
    EXPECT_LT(skipping.read(), a + 0.1);
    EXPECT_GE(counting.read(), b + 0.099);
}
