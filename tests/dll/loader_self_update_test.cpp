// A running self-update of the installer blocks the SDK load: the lock file in the installer's
// data folder names a live process by its bare decimal id. Driven through the built DLL.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "support/dttscsdk_dll.h"
#include "support/loader_support.h"
#include "support/machine.h"
#include "support/paths.h"
#include "support/scoped_environment.h"
#include "support/scoped_files.h"
#include "support/wrapper_log.h"

namespace {

using tsctest::DttscsdkDll;
using tsctest::LogWatcher;
using tsctest::Utf8;

constexpr char kSessionLine[] =
    "[INFO] QUILAPIWrapperImpl::Initialize: plc = \"TSC\", release = \"2026\", language = "
    "\"neutral\"";
constexpr char kLoadFailedLine[] = "[ERROR] QUILAPIWrapperImpl::Initialize: Failed to load SDK! ";
constexpr char kLoadedLine[] =
    "[INFO] QUILAPIWrapperImpl::Initialize: QUIL SDK loaded successfully";
constexpr char kRunningLine[] = "[INFO] Load: Self-update is running";

std::wstring LockFilePath() {
    return std::wstring(tsctest::kLockFileFolder) + L"\\TsQUILInstaller.run.lock";
}

std::string OwnId() { return std::to_string(GetCurrentProcessId()); }

// Writes `head` and extends the file to 4 GiB without writing the rest (it reads as zeros).
void WriteHugeFile(const std::wstring& path, const std::string& head) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, head.data(), static_cast<DWORD>(head.size()), &written, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = 4LL << 30;
    EXPECT_TRUE(SetFilePointerEx(file, size, nullptr, FILE_BEGIN) && SetEndOfFile(file));
    CloseHandle(file);
}

// Whatever a row put at the path (a file or a folder) goes when the row ends.
struct RemovedAtEnd {
    std::wstring path;
    ~RemovedAtEnd() { tsctest::RemoveTree(path); }
};

// What lies at the lock file's path for one row. The folder exists while the row runs.
struct LockFileCase {
    const char* name;
    std::function<void(const std::wstring& lockPath)> arrange;
    bool running;
};

void PrintTo(const LockFileCase& row, std::ostream* out) { *out << row.name; }

std::function<void(const std::wstring&)> Content(std::function<std::string()> bytes) {
    return
        [bytes](const std::wstring& path) { ASSERT_TRUE(tsctest::WriteFileBytes(path, bytes())); };
}

class SelfUpdate : public ::testing::TestWithParam<LockFileCase> {
  protected:
    tsctest::ScopedEnvironmentVariable bypass_{L"TSC_INITIALIZE_BYPASSED", std::nullopt};
    tsctest::ScopedEnvironmentVariable path_{L"PATH", tsctest::GetEnv(L"PATH")};
};

// A running update answers first: no registry read, no signature check, nothing loaded.
TEST_P(SelfUpdate, OnlyALiveProcessIdBlocksTheLoad) {
    tsctest::HealthyMachine machine;
    const tsctest::ScopedDirectory folder(tsctest::kLockFileFolder);
    const RemovedAtEnd lockFile{LockFilePath()};
    GetParam().arrange(LockFilePath());
    DttscsdkDll dll;
    LogWatcher log;

    EXPECT_TRUE(dll.Initialize());
    const std::vector<std::string> running = {kSessionLine, kRunningLine, kLoadFailedLine};
    const std::vector<std::string> loaded = {
        kSessionLine, "[INFO] Load: QUIL SDK path = " + Utf8(machine.SdkPath()), kLoadedLine};
    EXPECT_EQ(tsctest::MessagesBetween(log.NewMessages(), kSessionLine,
                                       GetParam().running ? kLoadFailedLine : kLoadedLine),
              GetParam().running ? running : loaded);
    EXPECT_EQ(tsctest::IsModuleLoaded(machine.SdkPath()), !GetParam().running);
    dll.Uninitialize();
}

INSTANTIATE_TEST_SUITE_P(
    LockFiles, SelfUpdate,
    ::testing::Values(
        LockFileCase{"NoLockFile", [](const std::wstring&) {}, false},
        LockFileCase{"OwnId", Content([] { return OwnId(); }), true},
        LockFileCase{"OwnIdAndLineBreak", Content([] { return OwnId() + "\r\n"; }), false},
        LockFileCase{"OwnIdAndLineFeed", Content([] { return OwnId() + "\n"; }), false},
        LockFileCase{"OwnIdAndBlank", Content([] { return OwnId() + " "; }), false},
        LockFileCase{"OwnIdWithLeadingZero", Content([] { return "0" + OwnId(); }), false},
        LockFileCase{"OwnIdWithSign", Content([] { return "+" + OwnId(); }), false},
        LockFileCase{"IdOfNoProcess", Content([] { return std::string("4294967295"); }), false},
        LockFileCase{"Empty", Content([] { return std::string(); }), false},
        // Read as text, the file ends at a Ctrl-Z.
        LockFileCase{"OwnIdEndedByCtrlZ", Content([] { return OwnId() + "\x1A" + "junk"; }), true},
        LockFileCase{
            "DirectoryOfThatName",
            [](const std::wstring& path) { ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr)); },
            false},
        LockFileCase{"HugeFileStartingWithOwnId",
                     [](const std::wstring& path) { WriteHugeFile(path, OwnId()); }, false},
        LockFileCase{"HugeFileWithOwnIdEndedByCtrlZ",
                     [](const std::wstring& path) { WriteHugeFile(path, OwnId() + "\x1A"); },
                     true}),
    [](const auto& info) { return std::string(info.param.name); });

// Nothing about an update is remembered: once the lock file is gone, the next attempt loads.
TEST(SelfUpdateEnded, NextAttemptLoads) {
    tsctest::ScopedEnvironmentVariable bypass(L"TSC_INITIALIZE_BYPASSED", std::nullopt);
    tsctest::ScopedEnvironmentVariable path(L"PATH", tsctest::GetEnv(L"PATH"));
    tsctest::HealthyMachine machine;
    const tsctest::ScopedDirectory folder(tsctest::kLockFileFolder);
    DttscsdkDll dll;
    {
        const tsctest::ScopedFile lockFile(LockFilePath(), OwnId());
        EXPECT_TRUE(dll.Initialize());
        EXPECT_FALSE(tsctest::IsModuleLoaded(machine.SdkPath()));
        dll.Uninitialize();
    }
    EXPECT_TRUE(dll.Initialize());
    EXPECT_TRUE(tsctest::IsModuleLoaded(machine.SdkPath()));
    dll.Uninitialize();
}

}  // namespace
