// Several host processes running sessions at the same time share one wrapper log.
#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "support/loader_support.h"
#include "support/machine.h"
#include "support/wrapper_log.h"

namespace {

constexpr int kProcesses = 4;
constexpr int kCycles = 150;

// Every line of every session arrives time-stamped and whole, and none is lost.
TEST(LogContention, SessionsOfSeveralProcessesLeaveEveryLineWhole) {
    tsctest::HealthyMachine machine;
    tsctest::LogWatcher log;
    std::vector<tsctest::UniqueHandle> runners;
    for (int i = 0; i < kProcesses; ++i) {
        runners.push_back(tsctest::StartProgram(L"\"" + tsctest::BinDir() +
                                                L"\\session_runner.exe\" " +
                                                std::to_wstring(kCycles))
                              .process);
        ASSERT_TRUE(runners.back());
    }
    for (const tsctest::UniqueHandle& runner : runners) {
        WaitForSingleObject(runner.get(), INFINITE);
        DWORD failedStarts = 0;
        GetExitCodeProcess(runner.get(), &failedStarts);
        EXPECT_EQ(failedStarts, 0u);
    }

    // Each line as "[yyyy-mm-ddThh:mm:ss] message", counted by message (session ids as {id}).
    const std::regex stamped(
        R"(\[\d{4}-(0\d|1[0-2])-([0-2]\d|3[01])T([01]\d|2[0-3]):[0-5]\d:[0-5]\d\] (.*))");
    const std::regex sessionId("QUIL-\\d+-\\d+$");
    std::map<std::string, int> counts;
    std::smatch parts;
    for (const std::string& line : log.NewLines()) {
        if (line == tsctest::kSeparatorLine) {
            ++counts[line];
        } else if (std::regex_match(line, parts, stamped)) {
            ++counts[std::regex_replace(parts[4].str(), sessionId, "{id}")];
        } else {
            ADD_FAILURE() << "torn line: " << line;
        }
    }
    constexpr int kSessions = kProcesses * kCycles;
    EXPECT_EQ(counts,
              (std::map<std::string, int>{
                  {tsctest::kSeparatorLine, kSessions},
                  {tsctest::kSessionLine, kSessions},
                  {tsctest::SdkPathLine(machine.SdkPath()), kSessions},
                  {tsctest::kLoadedLine, kSessions},
                  {"[INFO] QUILAPIWrapperImpl::Initialize: session id = {id}", kSessions},
                  {"[INFO] QUILAPIWrapperImpl::Uninitialize: QUIL SDK unloaded successfully",
                   kSessions}}));
}

}  // namespace
