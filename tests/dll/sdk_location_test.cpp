// Where the SDK file is found: the installer's registry value, expanded, tested for existence
// and kept for the process once found. Driven through the built DLL.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
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
#include "support/scoped_registry.h"
#include "support/wrapper_log.h"

namespace {

using tsctest::DttscsdkDll;
using tsctest::LogWatcher;
using tsctest::Utf8;

constexpr wchar_t kValueName[] = L"QUILSDKLocation";
constexpr char kSessionLine[] =
    "[INFO] QUILAPIWrapperImpl::Initialize: plc = \"TSC\", release = \"2026\", language = "
    "\"neutral\"";
constexpr char kLoadFailedLine[] = "[ERROR] QUILAPIWrapperImpl::Initialize: Failed to load SDK! ";
constexpr char kLoadedLine[] =
    "[INFO] QUILAPIWrapperImpl::Initialize: QUIL SDK loaded successfully";
constexpr char kPathEmptyLine[] = "[ERROR] Load: dll path empty!";
constexpr char kReadFailedLine[] =
    "[ERROR] QUILAPIWrapperImpl::GetDllPath: Failed to read registry!";

// A copy of the trusted SDK whose full path has exactly `length` characters.
class SdkCopy {
  public:
    explicit SdkCopy(std::size_t length)
        : folder_(PaddedFolder(length)),
          file_(folder_.path() + L"\\quilsdk.dll",
                tsctest::ReadFileBytes(tsctest::FixturePath(L"quilsdk.dll")).value()) {}
    const std::wstring& path() const { return file_.path(); }

  private:
    static std::wstring PaddedFolder(std::size_t length) {
        const std::wstring root = tsctest::TempRoot() + L"\\";
        const std::size_t fileLength = std::wstring(L"\\quilsdk.dll").size();
        return root + std::wstring(length - root.size() - fileLength, L'p');
    }
    tsctest::ScopedDirectory folder_;
    tsctest::ScopedFile file_;
};

std::vector<std::uint8_t> Bytes(const std::wstring& text, std::size_t byteCount) {
    std::vector<std::uint8_t> bytes(byteCount, 0);
    const auto* raw = reinterpret_cast<const std::uint8_t*>(text.data());
    std::copy(raw, raw + std::min(byteCount, text.size() * sizeof(wchar_t)), bytes.begin());
    return bytes;
}

// What a row sets up, and what the start then shows.
struct Outcome {
    std::wstring sdkPath;                  // the path the load reports, when one is found
    std::vector<std::string> lookupLines;  // lines of the lookup, before the path line
    std::vector<std::string> checkLines;   // lines of the checks, after the path line
    bool loaded;
};

struct Scene {
    tsctest::HealthyMachine& machine;
    std::vector<std::shared_ptr<void>> keep;  // files and variables that live for the test
};

struct LocationCase {
    const char* name;
    std::function<Outcome(Scene&)> arrange;
};

void PrintTo(const LocationCase& row, std::ostream* out) { *out << row.name; }

std::vector<std::string> ExpectedStartLines(const Outcome& outcome) {
    std::vector<std::string> lines = {kSessionLine};
    lines.insert(lines.end(), outcome.lookupLines.begin(), outcome.lookupLines.end());
    if (!outcome.sdkPath.empty()) {
        lines.push_back("[INFO] Load: QUIL SDK path = " + Utf8(outcome.sdkPath));
    }
    lines.insert(lines.end(), outcome.checkLines.begin(), outcome.checkLines.end());
    lines.push_back(outcome.loaded ? kLoadedLine : kLoadFailedLine);
    return lines;
}

Outcome LoadsCopyOfLength(Scene& scene, std::size_t length, std::size_t byteCount,
                          bool terminated) {
    auto copy = std::make_shared<SdkCopy>(length);
    scene.keep.push_back(copy);
    const std::wstring stored = terminated ? copy->path() + L'\0' : copy->path();
    scene.machine.QuilKey().SetBinary(kValueName, Bytes(stored, byteCount), REG_SZ);
    return {copy->path(), {}, {}, true};
}

Outcome NotFound(std::vector<std::string> lines) {
    lines.push_back(kPathEmptyLine);
    return {L"", std::move(lines), {}, false};
}

class SdkLocation : public ::testing::TestWithParam<LocationCase> {
  protected:
    tsctest::ScopedEnvironmentVariable bypass_{L"TSC_INITIALIZE_BYPASSED", std::nullopt};
    tsctest::ScopedEnvironmentVariable path_{L"PATH", tsctest::GetEnv(L"PATH")};
};

TEST_P(SdkLocation, StartShowsTheLookupAndItsOutcome) {
    tsctest::HealthyMachine machine;
    Scene scene{machine, {}};
    const Outcome outcome = GetParam().arrange(scene);
    DttscsdkDll dll;
    LogWatcher log;

    EXPECT_TRUE(dll.Initialize()) << "the SDK's outcome does not decide the start";
    const std::string last = outcome.loaded ? kLoadedLine : kLoadFailedLine;
    EXPECT_EQ(tsctest::MessagesBetween(log.NewMessages(), kSessionLine, last),
              ExpectedStartLines(outcome));
    if (!outcome.sdkPath.empty()) {
        EXPECT_EQ(tsctest::IsModuleLoaded(outcome.sdkPath), outcome.loaded);
    }
    dll.Uninitialize();
}

INSTANTIATE_TEST_SUITE_P(
    Values, SdkLocation,
    ::testing::Values(
        // 127 characters and the terminator fill the first 256-byte read exactly.
        LocationCase{"ExactlyTheFirstReadSize",
                     [](Scene& s) { return LoadsCopyOfLength(s, 127, 256, true); }},
        LocationCase{"NeedsASecondRead",
                     [](Scene& s) { return LoadsCopyOfLength(s, 149, 300, true); }},
        // Stored without its terminator, the value fills the block with no NUL after it.
        LocationCase{"WithoutTerminatorFillingTheBlock",
                     [](Scene& s) { return LoadsCopyOfLength(s, 128, 256, false); }},
        LocationCase{"WithoutTerminatorAndAnOddByte",
                     [](Scene& s) { return LoadsCopyOfLength(s, 128, 257, false); }},
        LocationCase{"EmptyValueIsSilent",
                     [](Scene& s) {
                         s.machine.QuilKey().SetString(kValueName, L"");
                         return NotFound({});
                     }},
        LocationCase{"MissingKey",
                     [](Scene& s) {
                         s.machine.QuilKey().DeleteKey();
                         return NotFound(
                             {"[ERROR] QUILAPIWrapperImpl::ReadStringFromRegistry: "
                              "RegOpenKeyEx failed!",
                              kReadFailedLine});
                     }},
        LocationCase{"MissingValue",
                     [](Scene& s) {
                         s.machine.QuilKey().DeleteValue(kValueName);
                         return NotFound(
                             {"[ERROR] QUILAPIWrapperImpl::ReadStringFromRegistry: "
                              "RegQueryValueEx failed!",
                              kReadFailedLine});
                     }},
        LocationCase{"EnvironmentReferenceIsExpanded",
                     [](Scene& s) {
                         auto copy = std::make_shared<SdkCopy>(100);
                         const std::wstring folder = copy->path().substr(0, 100 - 12);
                         s.keep.push_back(copy);
                         s.keep.push_back(std::make_shared<tsctest::ScopedEnvironmentVariable>(
                             L"TSC_LOADER_TEST_FOLDER", folder));
                         s.machine.QuilKey().SetExpandString(
                             kValueName, L"%TSC_LOADER_TEST_FOLDER%\\quilsdk.dll");
                         return Outcome{copy->path(), {}, {}, true};
                     }},
        LocationCase{"ExpansionLongerThanTheBuffer",
                     [](Scene& s) {
                         s.keep.push_back(std::make_shared<tsctest::ScopedEnvironmentVariable>(
                             L"TSC_LOADER_TEST_FOLDER", L"C:\\" + std::wstring(250, L'x')));
                         s.machine.QuilKey().SetString(kValueName,
                                                       L"%TSC_LOADER_TEST_FOLDER%\\quilsdk.dll");
                         return NotFound(
                             {"[ERROR] QUILAPIWrapperImpl::GetDllPath: Failed to "
                              "expand dll path!"});
                     }},
        LocationCase{"NothingAtThePath",
                     [](Scene& s) {
                         s.machine.QuilKey().SetString(kValueName,
                                                       tsctest::TempRoot() + L"\\none\\x.dll");
                         return NotFound(
                             {"[ERROR] QUILAPIWrapperImpl::GetDllPath: expanded Dll "
                              "Path does not exist!"});
                     }},
        // A folder exists, so the path is taken; the checks then refuse it.
        LocationCase{"FolderIsTakenAndRefusedByTheChecks",
                     [](Scene& s) {
                         const std::wstring folder = tsctest::TempRoot();
                         s.machine.QuilKey().SetString(kValueName, folder);
                         return Outcome{folder,
                                        {},
                                        {"[ERROR] WinVerifyTrust returned status: 5",
                                         "[ERROR] VerifyCertificate failed!",
                                         "[ERROR] IsSignatureValid: Signature invalid at path = " +
                                             Utf8(folder)},
                                        false};
                     }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SdkLocationKept, FoundPathIsKeptAndAFailedLookupIsRepeated) {
    tsctest::ScopedEnvironmentVariable bypass(L"TSC_INITIALIZE_BYPASSED", std::nullopt);
    tsctest::ScopedEnvironmentVariable path(L"PATH", tsctest::GetEnv(L"PATH"));
    tsctest::HealthyMachine machine;
    machine.QuilKey().DeleteKey();
    DttscsdkDll dll;

    EXPECT_TRUE(dll.Initialize());
    EXPECT_FALSE(tsctest::IsModuleLoaded(machine.SdkPath()));
    dll.Uninitialize();

    machine.QuilKey().SetString(kValueName, machine.SdkPath());
    EXPECT_TRUE(dll.Initialize()) << "a failed lookup is made again";
    EXPECT_TRUE(tsctest::IsModuleLoaded(machine.SdkPath()));
    dll.Uninitialize();

    machine.QuilKey().DeleteKey();
    LogWatcher log;
    EXPECT_TRUE(dll.Initialize()) << "a found path is not looked up again";
    EXPECT_TRUE(tsctest::IsModuleLoaded(machine.SdkPath()));
    const auto messages = log.NewMessages();
    EXPECT_EQ(std::count(messages.begin(), messages.end(),
                         "[INFO] Load: QUIL SDK path = " + Utf8(machine.SdkPath())),
              1);
    dll.Uninitialize();
}

// A kept path whose file is gone is not looked up again: the checks refuse it (status 9).
TEST(SdkLocationKept, KeptPathWhoseFileIsGoneIsRefusedByTheChecks) {
    tsctest::ScopedEnvironmentVariable bypass(L"TSC_INITIALIZE_BYPASSED", std::nullopt);
    tsctest::ScopedEnvironmentVariable path(L"PATH", tsctest::GetEnv(L"PATH"));
    const SdkCopy copy(80);
    const std::wstring sdkPath = copy.path();
    tsctest::HealthyMachine machine(sdkPath);
    DttscsdkDll dll;
    EXPECT_TRUE(dll.Initialize());
    dll.Uninitialize();
    ASSERT_TRUE(DeleteFileW(sdkPath.c_str()));

    LogWatcher log;
    EXPECT_TRUE(dll.Initialize());
    const std::vector<std::string> expected = {
        kSessionLine,
        "[INFO] Load: QUIL SDK path = " + Utf8(sdkPath),
        "[ERROR] WinVerifyTrust returned status: 2",
        "[ERROR] VerifyCertificate failed!",
        "[ERROR] IsSignatureValid: Signature invalid at path = " + Utf8(sdkPath),
        kLoadFailedLine};
    EXPECT_EQ(tsctest::MessagesBetween(log.NewMessages(), kSessionLine, kLoadFailedLine), expected);
    dll.Uninitialize();
}

}  // namespace
