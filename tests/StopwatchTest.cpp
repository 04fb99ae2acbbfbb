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
    EXPECT_GE(fine, whole);
    EXPECT_LT(fine, whole + 2.0);
    EXPECT_GT(whole, 1.6e9); // seconds since 1970, not since boot

    Stopwatch coarse;
    coarse.highPrecision(false);
    coarse.start();
    const double r = coarse.read();
    EXPECT_EQ(r, std::floor(r));
}

TEST(Stopwatch, ReadKeepsRunningStopFreezesStartBeginsAgain)
{
    Stopwatch w;
    EXPECT_EQ(w.read(), 0.0) << "idle until started";
    EXPECT_EQ(w.stop(), 0.0);
    w.start();
    const double first = w.read();
    std::this_thread::sleep_for(20ms);
    EXPECT_GE(w.read() - first, 0.019);
    EXPECT_EQ(w.running(), 1);

    const double stopped = w.stop();
    EXPECT_EQ(w.running(), 0);
    std::this_thread::sleep_for(10ms);
    EXPECT_EQ(w.read(), stopped);
    EXPECT_EQ(w.stop(), stopped) << "a stopped watch stays as it is";
    w.start();
    EXPECT_LT(w.read(), stopped);
}

TEST(Stopwatch, ResumeSkipsTheHaltUnlessAskedNotTo)
{
    const double halt = 0.1; // seconds, as slept below
    Stopwatch skipping, counting;
    skipping.start();
    counting.start();
    const double a = skipping.stop(), b = counting.stop();
    std::this_thread::sleep_for(100ms);
    skipping.resume(true);
    counting.resume(false);
    EXPECT_EQ(skipping.running(), 1);
    EXPECT_LT(skipping.read(), a + halt);
    EXPECT_GE(counting.read(), b + halt - 0.001);
}
