// The benchmark's figures: the median and range of each set of timings, and its table of one
// row per measurement, the library's times beside the baseline's.
#pragma once

#include <cstddef>
#include <optional>
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

struct ResultRow {
    std::string measure;
    std::string variant;
    Summary library;
    std::optional<Summary> baseline;  // absent where no bare counterpart is measured
    bool failed = false;              // a run did not answer as expected
};

// library median / baseline median; nullopt without a baseline or with a zero one.
std::optional<double> Ratio(const ResultRow& row);

void PrintTable(const std::vector<ResultRow>& rows);

}  // namespace bench
