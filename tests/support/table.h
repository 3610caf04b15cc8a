// Rows of test tables: a row derived from Row names its case in test names and failure output.
#pragma once

#include <concepts>
#include <ostream>
#include <string>

namespace tsctest {

struct Row {
    const char* name;
};

template <std::derived_from<Row> T>
void PrintTo(const T& row, std::ostream* out) {
    *out << row.name;
}

// The name generator of INSTANTIATE_TEST_SUITE_P for such tables.
inline constexpr auto RowName = [](const auto& info) { return std::string(info.param.name); };

}  // namespace tsctest
