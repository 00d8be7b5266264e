// Median and 99th percentile of a set of samples, printed in one line.
#ifndef PELLORIN_BENCH_STATS_H
#define PELLORIN_BENCH_STATS_H

#include <algorithm>
#include <stdio.h>
#include <vector>

static double Percentile(std::vector<double> samples, double fraction)
{
    std::sort(samples.begin(), samples.end());
    size_t index = (size_t)(fraction * (double)(samples.size() - 1) + 0.5);
    return samples[index];
}

static void PrintStats(const char *what, const std::vector<double> &samples, const char *unit)
{
    printf("%-40s median %8.3f %s   p99 %8.3f %s   (n=%zu)\n", what, Percentile(samples, 0.5), unit,
           Percentile(samples, 0.99), unit, samples.size());
}

#endif
