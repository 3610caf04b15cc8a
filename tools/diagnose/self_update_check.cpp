// Step 4: whether a self-update of the installer is running: the library's self-update test, with
// the lock file's bytes and the process they name.
#include <windows.h>
#include <tlhelp32.h>

#include <charconv>

#include "checks.h"
#include "common/win_handles.h"
#include "common/environment_variable.h"
#include "common/existence.h"
#include "common/file_system_error.h"
#include "common/system_error_text.h"

namespace tscdiag {
namespace {

// More than any id needs; enough to show what a damaged lock file holds.
constexpr DWORD kShownBytes = 4096;

// The file's first bytes as they are, shared with a writer as the installer may hold it.
std::string AddContentFacts(const std::wstring& path, Json& facts) {
    const tsc::UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string bytes(kShownBytes, '\0');
    DWORD read = 0;
    const bool readable = file && ReadFile(file.get(), bytes.data(), kShownBytes, &read, nullptr);
    facts["contentReadable"] = readable;
    if (!readable) facts.update(ErrorJson(GetLastError()));
    bytes.resize(readable ? read : 0);
    facts["content"] = EscapedBytes(bytes);
    return bytes;
}

// The running process whose id the content starts with, whatever follows the digits.
Json NamedProcess(const std::string& content) {
    DWORD id = 0;
    if (std::from_chars(content.data(), content.data() + content.size(), id).ec != std::errc()) {
        return nullptr;
    }
    const tsc::UniqueSnapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = snapshot && Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == id)
            return {{"id", id}, {"executable", WideToUtf8(entry.szExeFile)}};
    }
    return nullptr;
}

// "(TMP: "...", TEMP: not set)": where the temporary files folder is named.
std::string TempVariables() {
    std::string text;
    for (const wchar_t* name : {L"TMP", L"TEMP"}) {
        const std::optional<std::wstring> value = tsc::ReadEnvironmentVariable(name);
        text += (text.empty() ? "(" : ", ") + WideToUtf8(name) + ": " +
                (value ? Quoted(*value) : std::string("not set"));
    }
    return text + ")";
}

// The library's test failed: it could not tell whether a self-update runs, and a start then
// loads no SDK either. `what` names the query that failed, with the file or folder it asked.
void TestFailed(const tsc::FileSystemError& error, const std::string& what, Step& step) {
    step.facts["running"] = nullptr;
    step.facts["testError"] = {{"operation", error.operation}, {"path", WideToUtf8(error.path)}};
    step.facts["testError"].update(ErrorJson(error.code));
    step.Fail("the self-update test could not run: the library's " + what +
              " failed: " + SystemErrorText(error.code) + "; a start loads no SDK meanwhile.");
}

// The lock file's folder is ProgramData's; when that cannot be determined, the library falls
// back to the temporary files folder, whose lookup may fail. Empty when it failed.
std::wstring LockFilePath(Step& step) {
    bool inProgramData = false;
    tsc::FileSystemFailure failure;
    const std::wstring lockPath = QUILAPIWrapperImpl::SelfUpdateLockPath(failure, &inProgramData);
    if (failure) {
        // Without a folder from the system, the variables that name it say where to look.
        const std::wstring& folder = failure->path;
        TestFailed(*failure,
                   "lookup of the temporary files folder " +
                       (folder.empty() ? TempVariables() : Quoted(folder)),
                   step);
        return {};
    }
    step.facts["lockFile"] = WideToUtf8(lockPath);
    step.facts["lockFolderSource"] = inProgramData ? "ProgramData" : "temporary files folder";
    return lockPath;
}

}  // namespace

void CheckSelfUpdate(Context&, Step& step) {
    const std::wstring lockPath = LockFilePath(step);
    if (lockPath.empty()) return;
    const tsc::Existence found = tsc::QueryExistence(lockPath);
    step.facts["lockFileExists"] = found.exists;
    if (found.error != 0) step.facts.update(ErrorJson(found.error));
    if (found.exists) step.facts["process"] = NamedProcess(AddContentFacts(lockPath, step.facts));
    tsc::FileSystemFailure failure;
    const bool running = QUILAPIWrapperImpl::IsSelfUpdateRunning(failure);
    if (failure) {
        return TestFailed(*failure, "status query of the lock file " + Quoted(lockPath), step);
    }
    step.facts["running"] = running;
    if (running) {
        return step.Fail(
            "a self-update of the installer is running: no SDK is loaded until it ends.");
    }
    step.Pass(found.exists ? "the lock file names no running process: it does not block."
                           : "no lock file: no self-update is running.");
}

}  // namespace tscdiag
