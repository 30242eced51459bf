#pragma once
// Medians with their spread, and the figure lines the benchmark prints.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace zest::bench
{

struct Stats {
    double median = 0, min = 0, max = 0;
};

inline Stats Summarise(std::vector<double> v)
{
    if (v.empty())
        return {};
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    const double median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    return { median, v.front(), v.back() };
}

inline double Seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// Seconds since `start`.
inline double Since(std::chrono::steady_clock::time_point start)
{
    return Seconds(std::chrono::steady_clock::now() - start);
}

// "median (min–max)" with one printf format for the three numbers.
inline std::string Range(const Stats& s, const char* format)
{
    char buf[128];
    const std::string f = std::string(format) + " (" + format + "–" + format + ")";
    std::snprintf(buf, sizeof buf, f.c_str(), s.median, s.min, s.max);
    return buf;
}

} // namespace zest::bench
