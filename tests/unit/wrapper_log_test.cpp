// The wrapper log: where it is, what a line looks like, and what happens when it cannot be written.
#include <gtest/gtest.h>

#include <windows.h>

#include <regex>
#include <string>
#include <vector>

#include "support/paths.h"
#include "support/scoped_environment.h"
#include "support/scoped_files.h"
#include "support/wrapper_log.h"
#include "wrapper/quil_api_wrapper_impl.h"
#include "wrapper/wrapper_seams.h"

using tsctest::LogWatcher;

namespace {

QUILAPIWrapperImpl& Wrapper() { return QUILAPIWrapperImpl::GetInstance(); }

const std::regex kEventLine(R"(\[\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\] (.*))");

class WrapperLog : public ::testing::Test {
protected:
    tsctest::ScopedDirectory logFolder_{tsctest::WrapperLogFolder()};
};

TEST_F(WrapperLog, FirstLineOfAProcessFollowsASeparatorAndCarriesATimeStamp) {
    LogWatcher log;
    Wrapper().LogError("Uninitialize: Not initialized!");
    Wrapper().LogInfo("Initialize: QUIL SDK loaded successfully");

    const std::string bytes = log.NewBytes();
    const std::string separator(71, '=');
    ASSERT_EQ(bytes.rfind(separator + "\r\n[", 0), 0u) << bytes;
    const auto lines = log.NewLines();
    ASSERT_EQ(lines.size(), 3u);
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[1], match, kEventLine)) << lines[1];
    EXPECT_EQ(match[1], "[ERROR] QUILAPIWrapperImpl::Uninitialize: Not initialized!");
    ASSERT_TRUE(std::regex_match(lines[2], match, kEventLine)) << lines[2];
    EXPECT_EQ(match[1], "[INFO] QUILAPIWrapperImpl::Initialize: QUIL SDK loaded successfully");
}

TEST_F(WrapperLog, EveryStartWritesASeparatorAndTheFileKeepsWhatItHeld) {
    LogWatcher log;
    Wrapper().StartLogFile();
    Wrapper().LogInfo("");
    Wrapper().StartLogFile();

    const auto messages = log.NewMessages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0], tsctest::kSeparatorLine);
    EXPECT_EQ(messages[1], "[INFO] QUILAPIWrapperImpl::");  // ends right after the prefix
    EXPECT_EQ(messages[2], tsctest::kSeparatorLine);
    // Appending never truncates: what was there before is still the file's beginning.
    const auto whole = tsctest::ReadFileBytes(tsctest::WrapperLogPath());
    ASSERT_TRUE(whole.has_value());
    EXPECT_EQ(whole->substr(whole->size() - log.NewBytes().size()), log.NewBytes());
}

TEST_F(WrapperLog, TextBeyondAsciiIsWrittenAsUtf8AndLineFeedsAsCrLf) {
    LogWatcher log;
    const std::string narrowUtf8 = "Initialize: plc = \"\xC3\x9C\xE6\x97\xA5\"";  // "Ü日"
    Wrapper().LogInfo(narrowUtf8);
    Wrapper().WriteLogLine(L"[INFO] Load: QUIL SDK path = C:\\\u00C5\u5171\u6709\\sdk.dll");
    Wrapper().LogError("two\nparts");

    const auto messages = log.NewMessages();
    ASSERT_EQ(messages.size(), 5u);
    EXPECT_EQ(messages[1], "[INFO] QUILAPIWrapperImpl::" + narrowUtf8);
    EXPECT_EQ(messages[2],
              "[INFO] Load: QUIL SDK path = C:\\\xC3\x85\xE5\x85\xB1\xE6\x9C\x89\\sdk.dll");
    EXPECT_EQ(messages[3], "[ERROR] QUILAPIWrapperImpl::two");
    EXPECT_EQ(messages[4], "parts");
    EXPECT_EQ(log.NewBytes().find("\xEF\xBB\xBF"), std::string::npos) << "no byte-order mark";
}

TEST_F(WrapperLog, UnknownLocalTimeLeavesTheBracketsEmpty) {
    LogWatcher log;
    Wrapper().StartLogFile();
    tsc::seams::localTime = [](struct tm*, const __time64_t*) -> errno_t { return EINVAL; };
    Wrapper().LogInfo("Initialize: x");
    tsc::seams::localTime = &_localtime64_s;

    const auto lines = log.NewLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "[] [INFO] QUILAPIWrapperImpl::Initialize: x");
}

TEST_F(WrapperLog, MissingFolderCreatesNoFileAndRaisesNothing) {
    tsctest::ScopedMoveAside aside(tsctest::WrapperLogFolder());
    Wrapper().StartLogFile();
    Wrapper().LogError("LockDirectory: Failed to obtain LockDirectoryFunc handle!");
    EXPECT_EQ(GetFileAttributesW(tsctest::WrapperLogFolder().c_str()), INVALID_FILE_ATTRIBUTES);
}

// A failed or oversized expansion of the folder writes nothing, and the next line tries again.
TEST_F(WrapperLog, FailedOrOverlongExpansionWritesNothingAndIsRetried) {
    const std::wstring folder = tsctest::WrapperLogFolder();
    LogWatcher log;
    {
        tsctest::ScopedEnvironmentVariable longValue(L"LOCALAPPDATA", std::wstring(300, L'x'));
        Wrapper().LogInfo("Initialize: lost");
    }
    EXPECT_TRUE(log.NewBytes().empty());

    static int expansions = 0;
    tsc::seams::expandLogFolder = [](LPCWSTR, LPWSTR, DWORD) -> DWORD {
        ++expansions;
        return 0;
    };
    Wrapper().LogInfo("Initialize: lost too");
    Wrapper().LogInfo("Initialize: lost again");
    tsc::seams::expandLogFolder = &ExpandEnvironmentStringsW;
    EXPECT_EQ(expansions, 2) << "each line retries the expansion while no path is known";
    EXPECT_TRUE(log.NewBytes().empty());

    Wrapper().LogInfo("Initialize: kept");
    const auto messages = log.NewMessages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1], "[INFO] QUILAPIWrapperImpl::Initialize: kept");
}

// Several processes append at once: every line arrives whole, none is lost.
TEST_F(WrapperLog, FourProcessesAppendingAtOnceLoseAndTearNoLine) {
    constexpr int kWriters = 4;
    constexpr int kLinesEach = 1000;
    LogWatcher log;
    std::vector<PROCESS_INFORMATION> writers;
    for (int id = 0; id < kWriters; ++id) {
        std::wstring command = L"\"" + tsctest::BinDir() + L"\\log_writer.exe\" " +
                               std::to_wstring(id) + L" " + std::to_wstring(kLinesEach);
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &process));
        writers.push_back(process);
    }
    for (const PROCESS_INFORMATION& process : writers) {
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }

    const std::regex line(R"(\[\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\] \[INFO\] QUILAPIWrapperImpl::)"
                          R"(Writer: (\d) line (\d+) padding to make torn lines visible \.+)");
    std::vector<std::vector<bool>> seen(kWriters, std::vector<bool>(kLinesEach, false));
    int events = 0;
    int separators = 0;
    for (const std::string& text : log.NewLines()) {
        std::smatch match;
        if (text == tsctest::kSeparatorLine) {
            ++separators;
            continue;
        }
        ASSERT_TRUE(std::regex_match(text, match, line)) << "torn line: " << text;
        seen[std::stoi(match[1])][std::stoi(match[2])] = true;
        ++events;
    }
    EXPECT_EQ(events, kWriters * kLinesEach);
    EXPECT_EQ(separators, kWriters);
    for (int id = 0; id < kWriters; ++id) {
        for (int i = 0; i < kLinesEach; ++i) ASSERT_TRUE(seen[id][i]) << id << ":" << i;
    }
}

}  // namespace
