#pragma once
// The benchmarks' one statistic: the value at share p (0 to 1) of the sorted samples.
#include <algorithm>
#include <cstddef>
#include <vector>

inline double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[static_cast<size_t>(p * (v.size() - 1) + 0.5)];
}
