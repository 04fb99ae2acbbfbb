#pragma once

#include <string>

// 1 for zero and positive values, -1 otherwise (a NaN gives -1).
template <class T> T sign(T value)
{
    return value >= T(0) ? T(1) : T(-1);
}

// A NaN passes through unchanged: both comparisons are false.
template <class T> T clamp(T val, T low, T high)
{
    if (val < low)
        return low;
    if (val > high)
        return high;
    return val;
}

// Linear ramp from 0 at x1 to 1 at x2; 0 below x1 and 1 above x2 (strict comparisons).
template <class T> T switch1(T val, T x1, T x2)
{
    if (val < x1)
        return T(0);
    if (val > x2)
        return T(1);
    return (val - x1) / (x2 - x1);
}

// A copy of str without leading and trailing blanks and tabs.
std::string trim(std::string& str);
// Lower-cases str in place (C library tolower) and returns it.
std::string& lower(std::string& str);
