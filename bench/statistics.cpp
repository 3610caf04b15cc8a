#include "statistics.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace bench {

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

}  // namespace bench
