// Median and 99th percentile of a set of samples, printed in one line.
#ifndef PELLORIN_BENCH_STATS_H
#define PELLORIN_BENCH_STATS_H

#include <algorithm>
#include <stdio.h>
#include <vector>

static inline double Percentile(std::vector<double> samples, double fraction)
{
    if (samples.empty())
        return 0;
    size_t index = (size_t)(fraction * (double)(samples.size() - 1) + 0.5);
    std::nth_element(samples.begin(), samples.begin() + (long)index, samples.end());
    return samples[index];
}

static inline void PrintStats(const char *what, const std::vector<double> &samples, const char *unit)
{
    printf("%-40s median %8.3f %s   p99 %8.3f %s   (n=%zu)\n", what, Percentile(samples, 0.5), unit,
           Percentile(samples, 0.99), unit, samples.size());
}

#endif
