#include "SupportCode/Stopwatch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

namespace
{
void sleepSeconds(double s)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(s));
}
} // namespace

TEST(Stopwatch, TimeSourceInBothPrecisions)
{
    const double whole = seconds(false);
    const double fine = seconds(true);
    EXPECT_EQ(whole, std::floor(whole));
    EXPECT_GE(fine, whole);
    EXPECT_LT(fine, whole + 2.0);
    EXPECT_GT(whole, 1.6e9); // seconds since 1970, not since boot
}

TEST(Stopwatch, IdleUntilStarted)
{
    Stopwatch w;
    EXPECT_EQ(w.running(), 0);
    EXPECT_EQ(w.read(), 0.0);
    EXPECT_EQ(w.stop(), 0.0);
    EXPECT_EQ(w.running(), 0);
}

TEST(Stopwatch, ReadKeepsRunningAndGrows)
{
    Stopwatch w;
    w.start();
    EXPECT_EQ(w.running(), 1);
    const double first = w.read();
    sleepSeconds(0.02);
    const double second = w.read();
    EXPECT_EQ(w.running(), 1);
    EXPECT_GE(first, 0.0);
    EXPECT_GE(second - first, 0.019);
}

TEST(Stopwatch, StopFreezesAndStartBeginsAgain)
{
    Stopwatch w;
    w.start();
    sleepSeconds(0.02);
    const double stopped = w.stop();
    EXPECT_EQ(w.running(), 0);
    EXPECT_GE(stopped, 0.019);
    sleepSeconds(0.01);
    EXPECT_EQ(w.read(), stopped);
    EXPECT_EQ(w.stop(), stopped); // a stopped watch stays as it is

    w.start();
    EXPECT_LT(w.read(), stopped);
}

TEST(Stopwatch, ResumeWithOrWithoutTheHaltedInterval)
{
    const double halt = 0.3;

    Stopwatch skipping;
    skipping.start();
    const double atStop = skipping.stop();
    sleepSeconds(halt);
    skipping.resume(true);
    EXPECT_EQ(skipping.running(), 1);
    const double skipped = skipping.read();
    EXPECT_GE(skipped, atStop);
    EXPECT_LT(skipped, atStop + halt);

    Stopwatch counting;
    counting.start();
    const double before = counting.stop();
    sleepSeconds(halt);
    counting.resume(false);
    EXPECT_GE(counting.read(), before + halt - 0.001);

    // Resuming a running watch changes nothing.
    const double running = counting.read();
    counting.resume(true);
    EXPECT_GE(counting.read(), running);
}

TEST(Stopwatch, LowPrecisionCountsWholeSeconds)
{
    Stopwatch w;
    w.highPrecision(false);
    w.start();
    const double r = w.read();
    EXPECT_EQ(r, std::floor(r));
    EXPECT_LE(r, 1.0);
}
