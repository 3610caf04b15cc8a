// The wrapper log: where it is, what a line looks like, and what happens when it cannot be written.
#include <gtest/gtest.h>

#include <windows.h>

#include <regex>
#include <string>
#include <vector>

#include "support/paths.h"
#include "support/scoped_environment.h"
#include "support/scoped_files.h"
#include "support/scoped_seam.h"
#include "support/wrapper_log.h"
#include "wrapper/quil_api_wrapper_impl.h"
#include "wrapper/wrapper_seams.h"

namespace {

using tsctest::LogWatcher;
using Lines = std::vector<std::string>;
QUILAPIWrapperImpl& Wrapper() { return QUILAPIWrapperImpl::GetInstance(); }

const std::string kStamp = R"(\[\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\] )";

class WrapperLog : public ::testing::Test {
  protected:
    tsctest::ScopedDirectory logFolder_{tsctest::WrapperLogFolder()};
};

// The first line of a process follows a separator; every line carries a time stamp; text
// beyond ASCII is written as UTF-8 without a byte-order mark, and line feeds as CR LF.
TEST_F(WrapperLog, LinesAreTimeStampedUtf8WithCrLf) {
    LogWatcher log;
    Wrapper().LogError("Uninitialize: Not initialized!");
    Wrapper().LogInfo("Initialize: plc = \"\xC3\x9C\xE6\x97\xA5\"");  // "Ü日"
    Wrapper().WriteLogLine(L"[INFO] Load: QUIL SDK path = C:\\\u00C5\u5171\u6709\\sdk.dll");
    Wrapper().LogError("two\nparts");

    const std::string bytes = log.NewBytes();
    EXPECT_EQ(bytes.rfind(std::string(71, '=') + "\r\n[", 0), 0u) << bytes;
    EXPECT_EQ(bytes.find("\xEF\xBB\xBF"), std::string::npos) << "no byte-order mark";
    const Lines lines = log.NewLines();
    ASSERT_EQ(lines.size(), 6u);
    for (int i = 1; i < 5; ++i)
        EXPECT_TRUE(std::regex_search(lines[i], std::regex("^" + kStamp))) << lines[i];
    EXPECT_EQ(log.NewMessages(),
              (Lines{tsctest::kSeparatorLine,
                     "[ERROR] QUILAPIWrapperImpl::Uninitialize: Not initialized!",
                     "[INFO] QUILAPIWrapperImpl::Initialize: plc = \"\xC3\x9C\xE6\x97\xA5\"",
                     "[INFO] Load: QUIL SDK path = C:\\\xC3\x85\xE5\x85\xB1\xE6\x9C\x89\\sdk.dll",
                     "[ERROR] QUILAPIWrapperImpl::two", "parts"}));
}

// Every start writes a separator; appending never truncates what the file held.
TEST_F(WrapperLog, EveryStartWritesASeparatorAndTheFileKeepsWhatItHeld) {
    LogWatcher log;
    Wrapper().StartLogFile();
    Wrapper().LogInfo("");
    Wrapper().StartLogFile();
    EXPECT_EQ(log.NewMessages(), (Lines{tsctest::kSeparatorLine,
                                        "[INFO] QUILAPIWrapperImpl::", tsctest::kSeparatorLine}));
    const auto whole = tsctest::ReadFileBytes(tsctest::WrapperLogPath());
    ASSERT_TRUE(whole.has_value());
    EXPECT_EQ(whole->substr(whole->size() - log.NewBytes().size()), log.NewBytes());
}

TEST_F(WrapperLog, UnknownLocalTimeLeavesTheBracketsEmpty) {
    LogWatcher log;
    Wrapper().StartLogFile();
    {
        tsctest::ScopedSeam time(
            tsc::seams::localTime,
            +[](struct tm*, const __time64_t*) -> errno_t { return EINVAL; });
        Wrapper().LogInfo("Initialize: x");
    }
    EXPECT_EQ(log.NewLines(),
              (Lines{tsctest::kSeparatorLine, "[] [INFO] QUILAPIWrapperImpl::Initialize: x"}));
}

TEST_F(WrapperLog, MissingFolderCreatesNoFileAndRaisesNothing) {
    tsctest::ScopedMoveAside aside(tsctest::WrapperLogFolder());
    Wrapper().StartLogFile();
    Wrapper().LogError("LockDirectory: Failed to obtain LockDirectoryFunc handle!");
    EXPECT_EQ(GetFileAttributesW(tsctest::WrapperLogFolder().c_str()), INVALID_FILE_ATTRIBUTES);
}

// A failed or oversized expansion of the folder writes nothing, and the next line tries again.
TEST_F(WrapperLog, FailedOrOverlongExpansionWritesNothingAndIsRetried) {
    LogWatcher log;
    {
        tsctest::ScopedEnvironmentVariable longValue(L"LOCALAPPDATA", std::wstring(300, L'x'));
        Wrapper().LogInfo("Initialize: lost");
    }
    static int expansions = 0;
    {
        tsctest::ScopedSeam expand(
            tsc::seams::expandLogFolder, +[](LPCWSTR, LPWSTR, DWORD) -> DWORD WINAPI {
                ++expansions;
                return 0;
            });
        Wrapper().LogInfo("Initialize: lost too");
        Wrapper().LogInfo("Initialize: lost again");
    }
    EXPECT_EQ(expansions, 2) << "each line retries the expansion while no path is known";
    EXPECT_TRUE(log.NewBytes().empty());
    Wrapper().LogInfo("Initialize: kept");
    EXPECT_EQ(log.NewMessages(),
              (Lines{tsctest::kSeparatorLine, "[INFO] QUILAPIWrapperImpl::Initialize: kept"}));
}

// Several processes append at once: every line arrives whole, none is lost.
TEST_F(WrapperLog, FourProcessesAppendingAtOnceLoseAndTearNoLine) {
    constexpr int kWriters = 4;
    constexpr int kLinesEach = 2500;  // without the writers' lock, some lines are lost every run
    LogWatcher log;
    std::vector<PROCESS_INFORMATION> writers(kWriters);
    for (int id = 0; id < kWriters; ++id) {
        std::wstring command = L"\"" + tsctest::BinDir() + L"\\log_writer.exe\" " +
                               std::to_wstring(id) + L" " + std::to_wstring(kLinesEach);
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &writers[id]));
    }
    for (const PROCESS_INFORMATION& process : writers) {
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    const std::regex line(
        kStamp +
        R"(\[INFO\] QUILAPIWrapperImpl::Writer: (\d) line (\d+) padding to make torn lines visible \.+)");
    std::vector<std::vector<bool>> seen(kWriters, std::vector<bool>(kLinesEach, false));
    int separators = 0;
    for (const std::string& text : log.NewLines()) {
        std::smatch match;
        if (text == tsctest::kSeparatorLine) {
            ++separators;
        } else {
            ASSERT_TRUE(std::regex_match(text, match, line)) << "torn line: " << text;
            seen[std::stoi(match[1])][std::stoi(match[2])] = true;
        }
    }
    EXPECT_EQ(separators, kWriters);
    for (int id = 0; id < kWriters; ++id) {
        EXPECT_EQ(std::count(seen[id].begin(), seen[id].end(), true), kLinesEach)
            << "writer " << id;
    }
}

}  // namespace
