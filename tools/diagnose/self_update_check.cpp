// Step 4: whether a self-update of the installer is running: the library's self-update test, with
// the lock file's bytes and the process they name.
#include <windows.h>
#include <tlhelp32.h>

#include <charconv>

#include "checks.h"
#include "loader/loader_handles.h"
#include "location/environment_variable.h"
#include "location/existence.h"
#include "location/file_system_error.h"
#include "location/system_error_text.h"

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

// The library's test raised: it could not tell whether a self-update runs, and a start then
// loads no SDK either. The message names the lock file, or the temporary files folder the
// library falls back to when the ProgramData folder cannot be determined (and, when the system
// named no such folder, the variables it is named by).
void TestFailed(const tsc::FileSystemError& error, Step& step) {
    step.facts["running"] = nullptr;
    step.facts["testError"] = {{"operation", error.operation()},
                               {"path", WideToUtf8(error.path())}};
    step.facts["testError"].update(ErrorJson(error.code()));
    const bool lockFile = error.operation() != "temp_directory_path";
    std::string what = lockFile ? "status query of the lock file " + Quoted(error.path())
                                : "lookup of the temporary files folder";
    if (!lockFile) what += " " + (error.path().empty() ? TempVariables() : Quoted(error.path()));
    step.Fail("the self-update test could not run: the library's " + what +
              " failed: " + SystemErrorText(error.code()) + "; a start loads no SDK meanwhile.");
}

}  // namespace

void CheckSelfUpdate(Context&, Step& step) {
    try {
        bool inProgramData = false;
        const std::wstring lockPath = QUILAPIWrapperImpl::SelfUpdateLockPath(&inProgramData);
        step.facts["lockFile"] = WideToUtf8(lockPath);
        step.facts["lockFolderSource"] = inProgramData ? "ProgramData" : "temporary files folder";
        const tsc::Existence found = tsc::QueryExistence(lockPath);
        step.facts["lockFileExists"] = found.exists;
        if (found.error != 0) step.facts.update(ErrorJson(found.error));
        if (found.exists) {
            step.facts["process"] = NamedProcess(AddContentFacts(lockPath, step.facts));
        }
        if (QUILAPIWrapperImpl::IsSelfUpdateRunning()) {
            step.facts["running"] = true;
            return step.Fail(
                "a self-update of the installer is running: no SDK is loaded until it ends.");
        }
        step.facts["running"] = false;
        step.Pass(found.exists ? "the lock file names no running process: it does not block."
                               : "no lock file: no self-update is running.");
    } catch (const tsc::FileSystemError& error) {
        TestFailed(error, step);
    }
}

}  // namespace tscdiag
