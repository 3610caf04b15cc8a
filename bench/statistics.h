// Median and range of a set of timings.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace bench {

struct Summary {
    std::size_t count = 0;
    double median = 0;
    double min = 0;
    double max = 0;
};

// An empty set gives a summary with count 0.
Summary Summarize(std::vector<double> samples);

// The numbers of a child's output, one per line; lines that are not numbers are skipped.
std::vector<double> ParseSamples(const std::string& text);

}  // namespace bench
