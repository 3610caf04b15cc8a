// Step 4: whether a self-update of the installer is running. It announces itself with a lock
// file holding the id of the updating process; only a process alive now counts.
#include <windows.h>
#include <shlobj.h>

#include "checks.h"
#include "facts.h"
#include "loader/loader_handles.h"
#include "location/existence.h"
#include "location/text_conversion.h"
#include "location/win_handles.h"
#include "process_lookup.h"

namespace tscdiag {
namespace {

constexpr wchar_t kInstallerDataFolder[] = L"Tesmora\\QUIL";
constexpr wchar_t kLockFileName[] = L"TsQUILInstaller.run.lock";
// More than any id needs; enough to show what a damaged lock file holds.
constexpr DWORD kShownBytes = 4096;

std::wstring Joined(const std::wstring& left, const std::wstring& right) {
    if (left.empty() || left.back() == L'\\' || left.back() == L'/') return left + right;
    return left + L"\\" + right;
}

struct LockFolder {
    std::wstring path;
    const char* source;
};

// The ProgramData folder, as the library finds it; the temporary-files folder when the
// known-folder lookup fails.
LockFolder FindLockFolder() {
    tsc::UniqueCoTaskText programData;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_ProgramData, KF_FLAG_DONT_VERIFY | KF_FLAG_NO_ALIAS,
                                       nullptr, programData.put())) &&
        programData) {
        return {Joined(programData.get(), kInstallerDataFolder), "ProgramData"};
    }
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    return {std::wstring(temp, length <= MAX_PATH ? length : 0), "temporary files folder"};
}

struct LockContent {
    bool readable = false;
    DWORD error = 0;
    std::string bytes;
};

// Read while sharing read and write access, as the library does, so that an installer holding
// the file open does not make it unreadable here either.
LockContent ReadLockFile(const std::wstring& path) {
    LockContent content;
    const tsc::UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        content.error = GetLastError();
        return content;
    }
    content.bytes.resize(kShownBytes);
    DWORD read = 0;
    if (!ReadFile(file.get(), content.bytes.data(), kShownBytes, &read, nullptr)) {
        content.error = GetLastError();
        content.bytes.clear();
        return content;
    }
    content.bytes.resize(read);
    content.readable = true;
    return content;
}

// The content as the library compares it: read in text mode, where CR LF becomes LF and a
// Ctrl-Z ends the text.
std::string TextModeContent(const std::string& raw) {
    std::string text;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\x1A') break;
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
        text.push_back(raw[i]);
    }
    return text;
}

Value ProcessFacts(const std::optional<ProcessEntry>& process) {
    if (!process) return Value();
    return Object{{"id", "Id", process->id}, {"executable", "Executable", process->executable}};
}

void JudgeLockFile(const std::wstring& lockPath, Step& step) {
    const LockContent content = ReadLockFile(lockPath);
    step.facts.push_back({"contentReadable", "Content readable", content.readable});
    if (!content.readable) AddErrorFields(step.facts, content.error);
    step.facts.push_back({"content", "Content", EscapedBytes(content.bytes)});
    const std::optional<ProcessEntry> process =
        content.readable ? FindProcessByIdText(TextModeContent(content.bytes)) : std::nullopt;
    step.facts.push_back({"process", "Process named by it", ProcessFacts(process)});
    step.facts.push_back({"running", "Self-update running", process.has_value()});
    if (process) {
        Fail(step, "a self-update of the installer is running (process " +
                       std::to_string(process->id) + ", " + WideToUtf8(process->executable) +
                       "): the library does not load the SDK until it ends.");
    } else {
        Pass(step, "the lock file names no running process: it is left over and does not block.");
    }
}

}  // namespace

void CheckSelfUpdate(Step& step) {
    const LockFolder folder = FindLockFolder();
    const std::wstring lockPath = Joined(folder.path, kLockFileName);
    step.facts.push_back({"lockFile", "Lock file", lockPath});
    step.facts.push_back({"lockFolderSource", "Lock folder taken from", folder.source});
    const tsc::Existence found = tsc::QueryExistence(lockPath);
    step.facts.push_back({"lockFileExists", "Lock file exists", found.exists});
    if (found.error != 0) {
        AddErrorFields(step.facts, found.error);
        Fail(step,
             "the status of the lock file cannot be read: the library cannot tell whether a "
             "self-update runs and does not load the SDK.");
        return;
    }
    if (!found.exists) {
        Pass(step, "no lock file: no self-update is running.");
        return;
    }
    JudgeLockFile(lockPath, step);
}

}  // namespace tscdiag
