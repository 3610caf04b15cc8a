// The wrapper log where the exports cannot show it: the bytes of a line, an unknown local time,
// a file system that refuses byte-range locks, a missing folder, and the expansion of the folder
// at its length bound.
#include <gtest/gtest.h>

#include "support/scoped_environment.h"
#include "support/scoped_seam.h"
#include "support/table.h"
#include "support/wrapper_log.h"
#include "wrapper/quil_api_wrapper_impl.h"
#include "wrapper/wrapper_seams.h"

namespace {

using tsctest::ScopedSeam;
using Lines = std::vector<std::string>;
QUILAPIWrapperImpl& Wrapper() { return QUILAPIWrapperImpl::GetInstance(); }
const std::string kSep = tsctest::kSeparatorLine;

class WrapperLog : public ::testing::Test {
  protected:
    tsctest::ScopedDirectory logFolder_{tsctest::WrapperLogFolder()};
    tsctest::LogWatcher log_;
};

// The first line of a process follows a separator; text beyond ASCII is written as UTF-8
// without a byte-order mark (narrow messages byte for byte), and line feeds as CR LF.
TEST_F(WrapperLog, LinesAreUtf8WithCrLf) {
    Wrapper().LogInfo("Initialize: plc = \"\xC3\x9C\xE6\x97\xA5\"");  // "Ü日"
    Wrapper().WriteLogLine(L"[INFO] Load: QUIL SDK path = C:\\\u00C5\u5171\u6709\\sdk.dll");
    Wrapper().LogError("two\nparts");
    Wrapper().LogInfo("");
    EXPECT_EQ(log_.NewBytes().rfind(std::string(71, '=') + "\r\n[", 0), 0u) << log_.NewBytes();
    EXPECT_EQ(log_.NewMessages(),
              (Lines{kSep, "[INFO] QUILAPIWrapperImpl::Initialize: plc = \"\xC3\x9C\xE6\x97\xA5\"",
                     "[INFO] Load: QUIL SDK path = C:\\\xC3\x85\xE5\x85\xB1\xE6\x9C\x89\\sdk.dll",
                     "[ERROR] QUILAPIWrapperImpl::two", "parts", "[INFO] QUILAPIWrapperImpl::"}));
}

// Without a local time the brackets stay empty. Only a lock held by another writer is waited
// for: a refused lock (some network shares and filter drivers) means one try per line, and the
// line is written at once, whole.
int lockCalls = 0;
TEST_F(WrapperLog, UnknownTimeAndRefusedLockStillWriteEachLineAtOnce) {
    {
        const ScopedSeam time(
            tsc::seams::localTime,
            +[](struct tm*, const __time64_t*) -> errno_t { return EINVAL; });
        const ScopedSeam lock(
            tsc::seams::lockFile, +[](HANDLE, DWORD, DWORD, DWORD, DWORD, LPOVERLAPPED) -> BOOL {
                ++lockCalls;
                SetLastError(ERROR_NOT_SUPPORTED);
                return FALSE;
            });
        Wrapper().LogInfo("Initialize: x");
    }
    EXPECT_EQ(lockCalls, 2) << "one for the separator, one for the line";
    EXPECT_EQ(log_.NewLines(), (Lines{kSep, "[] [INFO] QUILAPIWrapperImpl::Initialize: x"}));
}

TEST_F(WrapperLog, MissingFolderIsNotCreated) {
    const tsctest::ScopedMoveAside aside(tsctest::WrapperLogFolder());
    Wrapper().LogError("LockDirectory: Failed to obtain LockDirectoryFunc handle!");
    EXPECT_EQ(GetFileAttributesW(tsctest::WrapperLogFolder().c_str()), INVALID_FILE_ATTRIBUTES);
}

// The folder's expansion may fill the 260-character buffer, no more: a path is kept from an
// expansion of 259 characters, while a longer or failed one writes nothing and is tried again
// for every line.
struct ExpansionCase : tsctest::Row {
    std::size_t length;  // of LOCALAPPDATA; 0: the expansion fails
    int expansions;      // for two lines
};

int expansions = 0;
bool expansionFails = false;
DWORD(WINAPI* const realExpand)(LPCWSTR, LPWSTR, DWORD) = tsc::seams::expandLogFolder;

class LogFolderExpansion : public WrapperLog,
                           public ::testing::WithParamInterface<ExpansionCase> {};

TEST_P(LogFolderExpansion, KeepsAPathOnlyWithinTheBuffer) {
    const std::size_t length = GetParam().length;
    {
        expansionFails = length == 0;
        const tsctest::ScopedEnvironmentVariable folder(
            L"LOCALAPPDATA", L"C:\\" + std::wstring(length ? length - 3 : 1, L'x'));
        const ScopedSeam expand(
            tsc::seams::expandLogFolder, +[](LPCWSTR source, LPWSTR target, DWORD size) -> DWORD {
                ++expansions;
                return expansionFails ? 0 : realExpand(source, target, size);
            });
        Wrapper().LogInfo("Initialize: lost");
        Wrapper().LogInfo("Initialize: lost too");
    }
    EXPECT_EQ(expansions, GetParam().expansions);
    EXPECT_TRUE(log_.NewBytes().empty());
    if (GetParam().expansions == 2) {
        Wrapper().LogInfo("Initialize: kept");
        EXPECT_EQ(log_.NewMessages(), (Lines{kSep, "[INFO] QUILAPIWrapperImpl::Initialize: kept"}));
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, LogFolderExpansion,
                         ::testing::Values(ExpansionCase{"Of259Characters", 259, 1},
                                           ExpansionCase{"Of260Characters", 260, 2},
                                           ExpansionCase{"Failed", 0, 2}),
                         tsctest::RowName);

}  // namespace
