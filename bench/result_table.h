// The benchmark's table: one row per measurement, the library's times beside the baseline's.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "statistics.h"

namespace bench {

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
