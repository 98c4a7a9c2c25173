#pragma once

// Nearest-rank percentiles of timings, for the tools and benchmarks that report them.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace veskor {

// The value below which `share` (0 to 1) of the samples lie, by nearest rank;
// 0 for no samples.
inline double percentile(std::vector<double> samples, double share)
{
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const auto rank = std::size_t(std::ceil(share * double(samples.size())));
    return samples[std::clamp<std::size_t>(rank, 1, samples.size()) - 1];
}

} // namespace veskor
