#pragma once

// Seconds of wall-clock time: the time of day with microseconds when highPrecision is true,
// whole seconds otherwise.
double seconds(bool highPrecision);

// A wall-clock timer in seconds. read() keeps the watch running and returns the seconds
// accumulated since start().
class Stopwatch
{
public:
    Stopwatch() = default;

    void highPrecision(bool p) { mHighPrecision = p; }

    void start();
    // Adds the time since the last start or resume and halts; returns the seconds
    // accumulated so far. A stopped watch is left as it is.
    double stop();
    double read();
    // Continues a stopped watch. With setStartTime false the watch counts on from the
    // moment it was stopped, as if it had never halted.
    void resume(bool setStartTime);
    int running() const { return running_; }

private:
    bool mHighPrecision = true;
    int running_ = 0; // 1 while running
    double start_time_ =
        0.0;             // clock reading at the last start or resume; at the stop while stopped
    double total_ = 0.0; // seconds accumulated up to start_time_
};
