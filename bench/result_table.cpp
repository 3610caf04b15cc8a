#include "result_table.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace bench {
namespace {

std::string Cell(const Summary& s) {
    if (s.count == 0) return "no result";
    char text[96];
    std::snprintf(text, sizeof(text), "%9.3f (%.3f-%.3f)", s.median, s.min, s.max);
    return text;
}

}  // namespace

Summary Summarize(std::vector<double> samples) {
    Summary summary;
    summary.count = samples.size();
    if (samples.empty()) return summary;
    std::sort(samples.begin(), samples.end());
    const std::size_t middle = samples.size() / 2;
    summary.median =
        samples.size() % 2 == 1 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
    summary.min = samples.front();
    summary.max = samples.back();
    return summary;
}

std::vector<double> ParseSamples(const std::string& text) {
    std::vector<double> samples;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        char* end = nullptr;
        const double value = std::strtod(line.c_str(), &end);
        if (end != line.c_str()) samples.push_back(value);
    }
    return samples;
}

std::optional<double> Ratio(const ResultRow& row) {
    if (!row.baseline || row.baseline->count == 0 || row.baseline->median <= 0 ||
        row.library.count == 0) {
        return std::nullopt;
    }
    return row.library.median / row.baseline->median;
}

void PrintTable(const std::vector<ResultRow>& rows) {
    std::printf("%-34s %-22s %5s  %-34s %-34s %6s\n", "measure", "variant", "n",
                "library ms: median (min-max)", "baseline ms: median (min-max)", "ratio");
    for (const ResultRow& row : rows) {
        const std::optional<double> ratio = Ratio(row);
        char ratioText[16] = "-";
        if (ratio) std::snprintf(ratioText, sizeof(ratioText), "%.2f", *ratio);
        std::printf("%-34s %-22s %5zu  %-34s %-34s %6s%s\n", row.measure.c_str(),
                    row.variant.c_str(), row.library.count, Cell(row.library).c_str(),
                    row.baseline ? Cell(*row.baseline).c_str() : "-", ratioText,
                    row.failed ? "  FAILED RUN" : "");
    }
}

}  // namespace bench
