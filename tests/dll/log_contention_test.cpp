// Several host processes running sessions at the same time share one wrapper log.
#include <gtest/gtest.h>

#include <windows.h>

#include <regex>
#include <string>
#include <vector>

#include "support/machine.h"
#include "support/paths.h"
#include "support/wrapper_log.h"

namespace {

constexpr int kProcesses = 4;
constexpr int kCycles = 150;

// Every line of every session arrives time-stamped and whole, and none is lost.
TEST(LogContention, SessionsOfSeveralProcessesLeaveEveryLineWhole) {
    tsctest::HealthyMachine machine;
    tsctest::LogWatcher log;
    std::vector<PROCESS_INFORMATION> runners(kProcesses);
    for (PROCESS_INFORMATION& runner : runners) {
        std::wstring command =
            L"\"" + tsctest::BinDir() + L"\\session_runner.exe\" " + std::to_wstring(kCycles);
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &runner));
    }
    for (const PROCESS_INFORMATION& runner : runners) {
        WaitForSingleObject(runner.hProcess, INFINITE);
        DWORD failedStarts = 0;
        GetExitCodeProcess(runner.hProcess, &failedStarts);
        EXPECT_EQ(failedStarts, 0u);
        CloseHandle(runner.hProcess);
        CloseHandle(runner.hThread);
    }

    const std::string stamp =
        R"(\[\d{4}-(0\d|1[0-2])-([0-2]\d|3[01])T([01]\d|2[0-3]):[0-5]\d:[0-5]\d\] )";
    const std::regex event(stamp + R"((\[INFO\] QUILAPIWrapperImpl::Initialize: plc = "TSC", )"
                                   R"(release = "2026", language = "neutral"|)"
                                   R"(\[INFO\] Load: QUIL SDK path = .*quilsdk\.dll|)"
                                   R"(\[INFO\] QUILAPIWrapperImpl::Initialize: QUIL SDK loaded )"
                                   R"(successfully|)"
                                   R"(\[INFO\] QUILAPIWrapperImpl::Uninitialize: QUIL SDK )"
                                   R"(unloaded successfully))");
    const std::regex sessionLine(
        stamp + R"(\[INFO\] QUILAPIWrapperImpl::Initialize: session id = QUIL-\d+-\d+)");
    int separators = 0;
    int sessions = 0;
    int events = 0;
    for (const std::string& line : log.NewLines()) {
        if (line == tsctest::kSeparatorLine) {
            ++separators;
        } else if (std::regex_match(line, sessionLine)) {
            ++sessions;
        } else {
            ASSERT_TRUE(std::regex_match(line, event)) << "torn or unknown line: " << line;
            ++events;
        }
    }
    constexpr int kSessions = kProcesses * kCycles;
    EXPECT_EQ(separators, kSessions);
    EXPECT_EQ(sessions, kSessions);
    EXPECT_EQ(events, 4 * kSessions);
}

}  // namespace
