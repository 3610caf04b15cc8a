// Which SDK file a session start loads, driven through the built DLL: where the installer's
// registry value points (expanded, tested for existence, kept once found), whether a self-update
// of the installer is running (its lock file names a live process by its bare decimal id), and
// whether the file carries a trusted signature whose signer's chain names the maker.
#include <gtest/gtest.h>

#include <functional>

#include "support/dttscsdk_dll.h"
#include "support/loader_support.h"
#include "support/machine.h"
#include "support/sdk_journal.h"
#include "support/table.h"
#include "support/wrapper_log.h"

namespace {

using tsctest::DttscsdkDll;
using tsctest::IsModuleLoaded;
using tsctest::OwnProcessId;
using Lines = std::vector<std::string>;

constexpr wchar_t kValueName[] = L"QUILSDKLocation";
const std::string kError = "[ERROR] QUILAPIWrapperImpl::";
const std::string kPublisherNotFound =
    "[ERROR] CertFindCertificateInStore returned ERROR: 2148081668";

// The lines of a load after the session line, by outcome.
const Lines kRunning = {"[INFO] Load: Self-update is running", tsctest::kLoadFailedLine};
Lines Loaded(const std::wstring& sdk) { return {tsctest::SdkPathLine(sdk), tsctest::kLoadedLine}; }
Lines Refused(const std::wstring& sdk, Lines checks) {
    checks.insert(checks.begin(), tsctest::SdkPathLine(sdk));
    checks.insert(checks.end(), {tsctest::SignatureInvalidLine(sdk), tsctest::kLoadFailedLine});
    return checks;
}
Lines Untrusted(int status) {
    return {"[ERROR] WinVerifyTrust returned status: " + std::to_string(status),
            "[ERROR] VerifyCertificate failed!"};
}
Lines NotFound(Lines lookup) {
    lookup.insert(lookup.end(), {tsctest::kPathEmptyLine, tsctest::kLoadFailedLine});
    return lookup;
}
const Lines kKeyMissing =
    NotFound({kError + "ReadStringFromRegistry: RegOpenKeyEx failed!", tsctest::kReadFailedLine});

// A start that loads as `after` says (the lines after the session line), and its teardown.
void Start(const DttscsdkDll& dll, const std::wstring& sdk, Lines after) {
    tsctest::LogWatcher log;
    EXPECT_TRUE(dll.Initialize()) << "the SDK's outcome does not decide the start";
    EXPECT_EQ(IsModuleLoaded(sdk), after.back() == tsctest::kLoadedLine);
    dll.Uninitialize();
    EXPECT_FALSE(IsModuleLoaded(sdk));
    after.insert(after.begin(), tsctest::kSessionLine);
    EXPECT_EQ(tsctest::LoadLines(log.NewMessages()), after);
}

// What a row sets up: the recorded SDK, and what lives until the row ends.
struct Scene : tsctest::Scene {
    std::wstring sdk = machine.SdkPath();
    // Records this path as the SDK.
    const std::wstring& Use(const std::wstring& path, DWORD type = REG_SZ) {
        machine.QuilKey().SetString(kValueName, path, type);
        return sdk = path;
    }
    const std::wstring& UseFixture(const std::wstring& variant) {  // quilsdk_<variant>.dll
        return Use(tsctest::FixturePath(L"quilsdk_" + variant + L".dll"));
    }
    // A copy of a fixture, the trusted SDK by default, whose full path has `length` characters.
    std::wstring Copy(std::size_t length, const wchar_t* fixture = L"quilsdk.dll") {
        const std::wstring folder = tsctest::TempRoot() + L"\\" +
                                    std::wstring(length - tsctest::TempRoot().size() - 13, L'p');
        Keep<tsctest::ScopedDirectory>(folder);
        return sdk = Keep<tsctest::ScopedFile>(
                         folder + L"\\quilsdk.dll",
                         tsctest::ReadFileBytes(tsctest::FixturePath(fixture)).value())
                         .path();
    }
    // Such a copy recorded in `byteCount` bytes of the value, with or without its terminator.
    Lines UseCopy(std::size_t length, std::size_t byteCount, bool terminated) {
        Copy(length);
        machine.QuilKey().SetBinary(
            kValueName, tsctest::TextBytes(terminated ? sdk + L'\0' : sdk, byteCount), REG_SZ);
        return Loaded(sdk);
    }
    // A lock file with `head`; a huge one is 4 GiB and reads as zeros after it.
    Lines LockFile(const std::string& head, bool running, bool huge = false) {
        const std::wstring path = Keep<tsctest::ScopedLockFile>(head).file.path();
        if (huge) {
            const tsctest::UniqueHandle file(tsctest::OpenForWriting(path));
            LARGE_INTEGER size{.QuadPart = 4LL << 30};
            EXPECT_TRUE(SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN) &&
                        SetEndOfFile(file.get()));
        }
        return running ? kRunning : Loaded(sdk);
    }
};

struct LoadCase : tsctest::Row {
    std::function<Lines(Scene&)> arrange;  // answers the lines after the session line
};

class SdkLoad : public ::testing::TestWithParam<LoadCase> {};

// Every attempt looks the file up, tests for a self-update and checks the file again; only an
// accepted file is loaded and called.
TEST_P(SdkLoad, StartShowsTheLookupChecksAndLoad) {
    Scene scene;
    const Lines after = GetParam().arrange(scene);
    tsctest::SdkJournal journal;
    const DttscsdkDll dll;
    Start(dll, scene.sdk, after);
    SCOPED_TRACE("second attempt");
    Start(dll, scene.sdk, after);
    Lines calls;
    for (int i = 0; after.back() == tsctest::kLoadedLine && i < 2; ++i)
        calls.insert(calls.end(), {"Initialize", "ReleaseMemory", "LockDirectory",
                                   "UnLockDirectory", "Uninitialize"});
    EXPECT_EQ(journal.Exports(), calls);
}

// clang-format off
const LoadCase kSignatures[] = {
    {"PublisherInCapitalsWithFullStop", [](Scene& s) { return Loaded(s.UseFixture(L"upper")); }},
    {"Unsigned",       [](Scene& s) { return Refused(s.UseFixture(L"unsigned"), Untrusted(-2146762496)); }},
    {"OneByteChanged", [](Scene& s) { return Refused(s.UseFixture(L"flipped"), Untrusted(-2146869232)); }},
    {"UntrustedRoot",  [](Scene& s) { return Refused(s.UseFixture(L"untrusted"), Untrusted(-2146762487)); }},
    {"OtherPublisher", [](Scene& s) { return Refused(s.UseFixture(L"other"), {kPublisherNotFound}); }},
    // The maker's name only on a certificate added to the signature's bag, outside the signer's
    // chain, proves nothing.
    {"MakerCertificateSmuggledIntoTheBag",
                       [](Scene& s) { return Refused(s.UseFixture(L"smuggled"), {kPublisherNotFound}); }},
    // Accepted, but the file refuses to be loaded.
    {"AcceptedFileThatCannotBeLoaded", [](Scene& s) {
        const std::wstring& sdk = s.UseFixture(L"refuses_load");
        return Lines{tsctest::SdkPathLine(sdk), "[ERROR] Load: LoadLibraryW failed to load " + tsctest::Utf8(sdk),
                     tsctest::kLoadFailedLine}; }},
};
INSTANTIATE_TEST_SUITE_P(Signatures, SdkLoad, ::testing::ValuesIn(kSignatures), tsctest::RowName);

const LoadCase kLocations[] = {
    // 127 characters and the terminator fill the first 256-byte read exactly.
    {"ExactlyTheFirstReadSize",          [](Scene& s) { return s.UseCopy(127, 256, true); }},
    // Stored without its terminator, the value fills the block with no NUL after it.
    {"WithoutTerminatorFillingTheBlock", [](Scene& s) { return s.UseCopy(128, 256, false); }},
    {"WithoutTerminatorAndAnOddByte",    [](Scene& s) { return s.UseCopy(128, 257, false); }},
    {"EmptyValueIsSilent", [](Scene& s) { s.Use(L""); return NotFound({}); }},
    {"MissingKey",         [](Scene& s) { s.machine.QuilKey().DeleteKey(); return kKeyMissing; }},
    {"MissingValue", [](Scene& s) {
        s.machine.QuilKey().DeleteValue(kValueName);
        return NotFound({kError + "ReadStringFromRegistry: RegQueryValueEx failed!", tsctest::kReadFailedLine}); }},
    // References are expanded; the expansion may fill the 260-character buffer, no more.
    {"ExpansionOf259Characters", [](Scene& s) {
        const std::wstring sdk = s.Copy(259);
        s.Keep<tsctest::ScopedEnvironmentVariable>(L"TSC_LOADER_TEST_FOLDER", sdk.substr(0, 247));
        s.Use(L"%TSC_LOADER_TEST_FOLDER%\\quilsdk.dll", REG_EXPAND_SZ);
        return Loaded(s.sdk = sdk); }},
    {"ExpansionOf260Characters", [](Scene& s) {
        s.Keep<tsctest::ScopedEnvironmentVariable>(L"TSC_LOADER_TEST_FOLDER", L"C:\\" + std::wstring(245, 'x'));
        s.Use(L"%TSC_LOADER_TEST_FOLDER%\\quilsdk.dll");
        return NotFound({kError + "GetDllPath: Failed to expand dll path!"}); }},
    {"NothingAtThePath", [](Scene& s) {
        s.Use(tsctest::TempRoot() + L"\\none\\x.dll");
        return NotFound({kError + "GetDllPath: expanded Dll Path does not exist!"}); }},
    // A relative value names the file under the current folder, never one the library search
    // order would find first (beside the program): that file is checked, held and loaded.
    {"RelativeValue", [](Scene& s) {
        const std::wstring relative = L"relative-sdk\\quilsdk.dll";
        const std::wstring& current = s.Keep<tsctest::ScopedDirectory>(tsctest::TempRoot() + L"\\cwd\\relative-sdk").path();
        s.Keep<tsctest::ScopedDirectory>(tsctest::BinDir() + L"\\relative-sdk");
        s.Keep<tsctest::ScopedFile>(tsctest::BinDir() + L"\\" + relative, tsctest::ReadFileBytes(tsctest::FixturePath(L"quilsdk_unsigned.dll")).value());
        s.Keep<tsctest::ScopedFile>(current + L"\\quilsdk.dll", tsctest::ReadFileBytes(s.sdk).value());
        s.Keep<tsctest::ScopedCurrentDirectory>(tsctest::TempRoot() + L"\\cwd");
        s.Use(relative);
        return Loaded(s.sdk = current + L"\\quilsdk.dll"); }},
    // A folder exists, so the path is taken; the checks then refuse it.
    {"FolderIsTakenAndRefusedByTheChecks",
        [](Scene& s) { return Refused(s.Use(tsctest::TempRoot()), Untrusted(5)); }},
    // A file that another program holds open for writing is refused by the checks themselves.
    {"FileOpenForWritingElsewhere", [](Scene& s) {
        s.Keep<tsctest::UniqueHandle>(tsctest::OpenForWriting(s.Use(s.Copy(80))));
        return Refused(s.sdk, Untrusted(32)); }},
};
INSTANTIATE_TEST_SUITE_P(Locations, SdkLoad, ::testing::ValuesIn(kLocations), tsctest::RowName);

const LoadCase kLockFiles[] = {
    {"OwnId",                [](Scene& s) { return s.LockFile(OwnProcessId(), true); }},
    // A running self-update is answered before the SDK is looked up.
    {"OwnIdWithoutSdkKey",   [](Scene& s) { s.machine.QuilKey().DeleteKey(); return s.LockFile(OwnProcessId(), true); }},
    {"OwnIdAndLineBreak",    [](Scene& s) { return s.LockFile(OwnProcessId() + "\r\n", false); }},
    {"OwnIdWithLeadingZero", [](Scene& s) { return s.LockFile("0" + OwnProcessId(), false); }},
    {"OwnIdWithSign",        [](Scene& s) { return s.LockFile("+" + OwnProcessId(), false); }},
    {"IdOfNoProcess",        [](Scene& s) { return s.LockFile("4294967295", false); }},
    {"Empty",                [](Scene& s) { return s.LockFile("", false); }},
    // Read as text, the file ends at a Ctrl-Z.
    {"OwnIdEndedByCtrlZ",    [](Scene& s) { return s.LockFile(OwnProcessId() + "\x1A" "junk", true); }},
    {"DirectoryOfThatName",  [](Scene& s) { s.Keep<tsctest::ScopedDirectory>(tsctest::ScopedLockFile::Path()); return Loaded(s.sdk); }},
    {"HugeFileStartingWithOwnId",     [](Scene& s) { return s.LockFile(OwnProcessId(), false, true); }},
    {"HugeFileWithOwnIdEndedByCtrlZ", [](Scene& s) { return s.LockFile(OwnProcessId() + "\x1A", true, true); }},
};
INSTANTIATE_TEST_SUITE_P(LockFiles, SdkLoad, ::testing::ValuesIn(kLockFiles), tsctest::RowName);
// clang-format on

// One process, many starts: a failed lookup is made again; a refused file is not held open and,
// once replaced, loads; a found path is kept, also when its file goes; a self-update that ended
// is forgotten.
TEST(SdkLoadSequence, OnlyAFoundPathIsRemembered) {
    Scene s;
    const std::wstring sdk = s.Copy(80, L"quilsdk_other.dll");
    s.machine.QuilKey().DeleteKey();
    const DttscsdkDll dll;
    Start(dll, sdk, kKeyMissing);
    s.Use(sdk);
    Start(dll, sdk, Refused(sdk, {kPublisherNotFound}));
    EXPECT_EQ(tsctest::RunShellCommand(L"copy /y \"" + tsctest::FixturePath(L"quilsdk.dll") +
                                       L"\" \"" + sdk + L"\""),
              0u);
    Start(dll, sdk, Loaded(sdk));
    s.machine.QuilKey().DeleteKey();
    s.Keep<tsctest::ScopedLockFile>(OwnProcessId());
    Start(dll, sdk, kRunning);
    s.keep.pop_back();  // the self-update ends
    SCOPED_TRACE("kept");
    Start(dll, sdk, Loaded(sdk));
    ASSERT_TRUE(DeleteFileW(sdk.c_str()));
    SCOPED_TRACE("kept, not looked up");
    Start(dll, sdk, Refused(sdk, Untrusted(2)));
}

}  // namespace
