#pragma once

#include <sys/resource.h>

#include <algorithm>
#include <vector>

// The middle of the timings; the mean of the two middle ones for an even count.
inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

// The most memory the process has held so far, in kB.
inline long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}
