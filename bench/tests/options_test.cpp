// The soak's and the benchmark's command lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "options.h"

namespace {

// Parses the arguments (after the program name) into fresh options with two defaults.
bool Parse(std::vector<std::string> args, bench::Options* options, std::string* error) {
    std::vector<char*> argv = {const_cast<char*>("prog.exe")};
    for (std::string& arg : args) argv.push_back(arg.data());
    return options->Parse(static_cast<int>(argv.size()), argv.data(), error);
}

TEST(Options, DefaultsHoldUntilOverridden) {
    bench::Options options({{"cycles", 10000}, {"loads", 1000}});
    std::string error;
    ASSERT_TRUE(Parse({"--loads", "0"}, &options, &error)) << error;
    EXPECT_EQ(options.Get("cycles"), 10000);
    EXPECT_EQ(options.Get("loads"), 0);
}

TEST(Options, RejectsWhatIsNotAKnownNameWithAWholeNumber) {
    const std::vector<std::vector<std::string>> bad = {
        {"--cycle", "5"},   {"cycles", "5"},     {"--cycles"},     {"--cycles", "-1"},
        {"--cycles", "5x"}, {"--cycles", "1.5"}, {"--cycles", ""}, {"--help"},
    };
    for (const std::vector<std::string>& args : bad) {
        bench::Options options({{"cycles", 10000}});
        std::string error;
        EXPECT_FALSE(Parse(args, &options, &error)) << args[0];
        EXPECT_FALSE(error.empty()) << args[0];
        EXPECT_EQ(options.Get("cycles"), 10000) << "a rejected value changes nothing";
    }
}

}  // namespace
