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

struct Child {
    PROCESS_INFORMATION info;
};

std::vector<Child> StartRunners() {
    std::vector<Child> children;
    for (int i = 0; i < kProcesses; ++i) {
        std::wstring command =
            L"\"" + tsctest::BinDir() + L"\\session_runner.exe\" " + std::to_wstring(kCycles);
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        Child child = {};
        if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                           &startup, &child.info)) {
            children.push_back(child);
        }
    }
    return children;
}

DWORD WaitFor(const Child& child) {
    WaitForSingleObject(child.info.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(child.info.hProcess, &code);
    CloseHandle(child.info.hProcess);
    CloseHandle(child.info.hThread);
    return code;
}

// Every line of every session arrives time-stamped and whole, and none is lost.
TEST(LogContention, SessionsOfSeveralProcessesLeaveEveryLineWhole) {
    tsctest::HealthyMachine machine;
    tsctest::LogWatcher log;

    std::vector<Child> children = StartRunners();
    ASSERT_EQ(children.size(), static_cast<size_t>(kProcesses));
    for (const Child& child : children) EXPECT_EQ(WaitFor(child), 0u) << "failed starts";

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

    int sessions = 0;
    int separators = 0;
    int events = 0;
    for (const std::string& line : log.NewLines()) {
        std::smatch match;
        if (line == tsctest::kSeparatorLine) {
            ++separators;
        } else if (std::regex_match(line, match, sessionLine)) {
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
