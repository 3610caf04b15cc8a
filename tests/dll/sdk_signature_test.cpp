// Which SDK files are loaded: only those with a trusted signature whose signer's chain names
// the maker. Driven through the built DLL with the signed stand-in fixtures.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "support/dttscsdk_dll.h"
#include "support/handle_count.h"
#include "support/loader_support.h"
#include "support/machine.h"
#include "support/paths.h"
#include "support/scoped_environment.h"
#include "support/scoped_files.h"
#include "support/sdk_journal.h"
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
constexpr char kPublisherNotFound[] =
    "[ERROR] CertFindCertificateInStore returned ERROR: 2148081668";

struct SignatureCase {
    const char* name;
    const wchar_t* fixture;
    // The lines of the signature checks; none when the file is accepted.
    std::vector<std::string> checkLines;
};

void PrintTo(const SignatureCase& row, std::ostream* out) { *out << row.name; }

class SdkSignature : public ::testing::TestWithParam<SignatureCase> {
  protected:
    tsctest::ScopedEnvironmentVariable bypass_{L"TSC_INITIALIZE_BYPASSED", std::nullopt};
    tsctest::ScopedEnvironmentVariable path_{L"PATH", tsctest::GetEnv(L"PATH")};
};

// The lines from the session's first INFO line up to the load's outcome.
std::vector<std::string> ExpectedStartLines(const std::wstring& sdkPath, const SignatureCase& row) {
    std::vector<std::string> lines = {kSessionLine,
                                      "[INFO] Load: QUIL SDK path = " + Utf8(sdkPath)};
    if (row.checkLines.empty()) {
        lines.push_back(kLoadedLine);
        return lines;
    }
    lines.insert(lines.end(), row.checkLines.begin(), row.checkLines.end());
    lines.push_back("[ERROR] IsSignatureValid: Signature invalid at path = " + Utf8(sdkPath));
    lines.push_back(kLoadFailedLine);
    return lines;
}

std::vector<std::string> StartLines(const LogWatcher& log, bool accepted) {
    return tsctest::MessagesBetween(log.NewMessages(), kSessionLine,
                                    accepted ? kLoadedLine : kLoadFailedLine);
}

// A refused SDK does not stop the start: the folder still resolves and the export answers
// true, but the SDK is never loaded or called. Every attempt checks the file again.
TEST_P(SdkSignature, OnlyAcceptedFilesAreLoadedAndEveryAttemptChecksAgain) {
    const SignatureCase& row = GetParam();
    const bool accepted = row.checkLines.empty();
    tsctest::HealthyMachine machine(row.fixture);
    tsctest::SdkJournal journal;
    DttscsdkDll dll;

    for (int attempt = 0; attempt < 2; ++attempt) {
        SCOPED_TRACE("attempt " + std::to_string(attempt + 1));
        LogWatcher log;
        EXPECT_TRUE(dll.Initialize());
        EXPECT_EQ(StartLines(log, accepted), ExpectedStartLines(machine.SdkPath(), row));
        EXPECT_EQ(tsctest::IsModuleLoaded(machine.SdkPath()), accepted);
        dll.Uninitialize();
        EXPECT_FALSE(tsctest::IsModuleLoaded(machine.SdkPath()));
    }
    const std::vector<std::string> acceptedCalls = {"Initialize", "ReleaseMemory", "LockDirectory",
                                                    "UnLockDirectory", "Uninitialize"};
    std::vector<std::string> expectedCalls;
    if (accepted) {
        expectedCalls = acceptedCalls;
        expectedCalls.insert(expectedCalls.end(), acceptedCalls.begin(), acceptedCalls.end());
    }
    EXPECT_EQ(journal.Exports(), expectedCalls);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, SdkSignature,
    ::testing::Values(SignatureCase{"Trusted", L"quilsdk.dll", {}},
                      SignatureCase{"PublisherInCapitalsWithFullStop", L"quilsdk_upper.dll", {}},
                      SignatureCase{"Unsigned",
                                    L"quilsdk_unsigned.dll",
                                    {"[ERROR] WinVerifyTrust returned status: -2146762496",
                                     "[ERROR] VerifyCertificate failed!"}},
                      SignatureCase{"OneByteChanged",
                                    L"quilsdk_flipped.dll",
                                    {"[ERROR] WinVerifyTrust returned status: -2146869232",
                                     "[ERROR] VerifyCertificate failed!"}},
                      SignatureCase{"UntrustedRoot",
                                    L"quilsdk_untrusted.dll",
                                    {"[ERROR] WinVerifyTrust returned status: -2146762487",
                                     "[ERROR] VerifyCertificate failed!"}},
                      SignatureCase{"OtherPublisher", L"quilsdk_other.dll", {kPublisherNotFound}},
                      // The maker's name only on a certificate added to the signature's bag,
                      // outside the signer's chain, proves nothing.
                      SignatureCase{"MakerCertificateSmuggledIntoTheBag",
                                    L"quilsdk_smuggled.dll",
                                    {kPublisherNotFound}}),
    [](const auto& info) { return std::string(info.param.name); });

// A refused file is not held open: the installer can replace it, and the next attempt checks
// and loads the new file.
TEST(SdkReplacement, RefusedFileCanBeReplacedAndTheNextAttemptLoadsIt) {
    tsctest::ScopedEnvironmentVariable bypass(L"TSC_INITIALIZE_BYPASSED", std::nullopt);
    tsctest::ScopedEnvironmentVariable path(L"PATH", tsctest::GetEnv(L"PATH"));
    const tsctest::ScopedDirectory folder(tsctest::TempRoot() + L"\\sdk");
    const std::wstring sdkPath = folder.path() + L"\\quilsdk.dll";
    const tsctest::ScopedFile sdk(
        sdkPath, tsctest::ReadFileBytes(tsctest::FixturePath(L"quilsdk_other.dll")).value());
    tsctest::HealthyMachine machine(sdkPath);
    DttscsdkDll dll;

    EXPECT_TRUE(dll.Initialize());
    EXPECT_FALSE(tsctest::IsModuleLoaded(sdkPath));
    dll.Uninitialize();

    EXPECT_EQ(tsctest::RunShellCommand(L"copy /y \"" + tsctest::FixturePath(L"quilsdk.dll") +
                                       L"\" \"" + sdkPath + L"\""),
              0u);
    LogWatcher log;
    EXPECT_TRUE(dll.Initialize());
    EXPECT_TRUE(tsctest::IsModuleLoaded(sdkPath));
    const auto messages = log.NewMessages();
    EXPECT_NE(std::find(messages.begin(), messages.end(), kLoadedLine), messages.end());
    dll.Uninitialize();
}

// Every attempt opens and releases its own file hold, trust state, certificate store, message
// and process snapshot: repeated refusals leave no handle behind.
TEST(SdkRefusals, RepeatedAttemptsLeaveNoHandlesBehind) {
    tsctest::ScopedEnvironmentVariable bypass(L"TSC_INITIALIZE_BYPASSED", std::nullopt);
    tsctest::ScopedEnvironmentVariable path(L"PATH", tsctest::GetEnv(L"PATH"));
    tsctest::HealthyMachine machine(L"quilsdk_smuggled.dll");
    const tsctest::ScopedDirectory lockFolder(tsctest::kLockFileFolder);
    const tsctest::ScopedFile lockFile(
        std::wstring(tsctest::kLockFileFolder) + L"\\TsQUILInstaller.run.lock", "4294967295");
    DttscsdkDll dll;
    const auto attempt = [&dll] {
        EXPECT_TRUE(dll.Initialize());
        dll.Uninitialize();
    };
    attempt();  // the first attempt loads the trust providers for good
    const auto before = tsctest::ProcessHandleCount();
    ASSERT_TRUE(before.has_value());
    for (int i = 0; i < 10; ++i) attempt();
    EXPECT_EQ(tsctest::ProcessHandleCount(), before);
    EXPECT_FALSE(tsctest::IsModuleLoaded(machine.SdkPath()));
}

}  // namespace
