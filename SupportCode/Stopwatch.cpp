#include "SupportCode/Stopwatch.h"

#include <ctime>
#include <sys/time.h>

double seconds(bool highPrecision)
{
    if (highPrecision)
    {
        timeval tv;
        gettimeofday(&tv, nullptr);
        return static_cast<double>(tv.tv_sec) + 1e-6 * static_cast<double>(tv.tv_usec);
    }
    return static_cast<double>(std::time(nullptr));
}

void Stopwatch::start()
{
    running_ = 1;
    total_ = 0.0;
    start_time_ = seconds(mHighPrecision);
}

double Stopwatch::stop()
{
    if (running_)
    {
        const double now = seconds(mHighPrecision);
        total_ += now - start_time_;
        start_time_ = now; // the moment of stopping, for resume(false)
        running_ = 0;
    }
    return total_;
}

void Stopwatch::resume(bool setStartTime)
{
    if (running_)
        return;
    // Without a new start time the watch counts on from the moment it stopped, so the
    // halted interval is included as if it had kept running.
    if (setStartTime)
        start_time_ = seconds(mHighPrecision);
    running_ = 1;
}

double Stopwatch::read()
{
    if (running_)
    {
        stop();
        resume(true);
    }
    return total_;
}
