// The benchmark's figures as a reader takes them from its table: medians, ranges and ratios, and
// the samples read from a probe's output.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "result_table.h"
#include "statistics.h"

namespace {

TEST(Summarize, MedianAndRangeOfUnsortedSamples) {
    const bench::Summary odd = bench::Summarize({7.0, 7.0, 1.0, 100.0, 7.0});
    EXPECT_EQ(odd.count, 5u);
    EXPECT_DOUBLE_EQ(odd.median, 7.0);
    EXPECT_DOUBLE_EQ(odd.min, 1.0);
    EXPECT_DOUBLE_EQ(odd.max, 100.0);
    EXPECT_DOUBLE_EQ(bench::Summarize({4.0, 1.0, 3.0, 2.0}).median, 2.5);  // the middle two
    EXPECT_EQ(bench::Summarize({}).count, 0u);
}

TEST(ParseSamples, TakesOneNumberPerLineAndSkipsTheRest) {
    EXPECT_EQ(bench::ParseSamples("1.5\n2\r\nnoise\n\n0.0040\n"),
              (std::vector<double>{1.5, 2.0, 0.004}));
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
