#pragma once

#include <algorithm>
#include <vector>

// The middle of the timings; the mean of the two middle ones for an even count.
inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}
