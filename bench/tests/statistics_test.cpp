// Medians and ranges of the benchmark's timings, and the numbers read from a probe's output.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "result_table.h"
#include "statistics.h"

namespace {

struct SummaryCase {
    std::vector<double> samples;
    double median;
    double min;
    double max;
};

TEST(Summarize, MedianAndRangeOfUnsortedSamples) {
    const std::vector<SummaryCase> cases = {
        {{5.0}, 5.0, 5.0, 5.0},
        {{3.0, 1.0, 2.0}, 2.0, 1.0, 3.0},
        {{4.0, 1.0, 3.0, 2.0}, 2.5, 1.0, 4.0},  // even count: the mean of the middle two
        {{7.0, 7.0, 1.0, 100.0, 7.0}, 7.0, 1.0, 100.0},
    };
    for (const SummaryCase& c : cases) {
        const bench::Summary s = bench::Summarize(c.samples);
        EXPECT_EQ(s.count, c.samples.size());
        EXPECT_DOUBLE_EQ(s.median, c.median);
        EXPECT_DOUBLE_EQ(s.min, c.min);
        EXPECT_DOUBLE_EQ(s.max, c.max);
    }
}

TEST(Summarize, NoSamplesGiveNoResult) { EXPECT_EQ(bench::Summarize({}).count, 0u); }

TEST(ParseSamples, TakesOneNumberPerLineAndSkipsTheRest) {
    EXPECT_EQ(bench::ParseSamples("1.5\n2\r\nnoise\n\n0.0040\n"),
              (std::vector<double>{1.5, 2.0, 0.004}));
    EXPECT_TRUE(bench::ParseSamples("").empty());
}

TEST(Ratio, NeedsALibraryTimeAndAPositiveBaseline) {
    const bench::Summary library{3, 12.0, 11.0, 13.0};
    const bench::Summary baseline{3, 10.0, 9.0, 11.0};
    EXPECT_DOUBLE_EQ(*bench::Ratio({"m", "v", library, baseline, false}), 1.2);
    EXPECT_EQ(bench::Ratio({"m", "v", library, std::nullopt, false}), std::nullopt);
    EXPECT_EQ(bench::Ratio({"m", "v", library, bench::Summary{3, 0.0, 0.0, 0.0}, false}),
              std::nullopt);
    EXPECT_EQ(bench::Ratio({"m", "v", bench::Summary{}, baseline, false}), std::nullopt);
}

}  // namespace
