#include "folder_probe.h"

#include <string>

#include "child_process.h"
#include "console.h"

namespace demo {
namespace {

// Exit code of a child that renamed the folder but could not put it back.
constexpr DWORD kNotRestored = 0xE0000001;

std::string Describe(DWORD code) {
    if (code == ERROR_SUCCESS) return "renamed and put back: the folder is NOT locked";
    if (code == ERROR_SHARING_VIOLATION) {
        return "refused with error 32 (sharing violation): the folder is locked";
    }
    if (code == kNotRestored) return "renamed but could NOT be put back; check the folder";
    return "failed with error " + std::to_string(code);
}

}  // namespace

DWORD TryRenameFolder(const std::wstring& folder) {
    const std::wstring moved = folder + L".moved-by-demo";
    if (!MoveFileExW(folder.c_str(), moved.c_str(), 0)) return GetLastError();
    return MoveFileExW(moved.c_str(), folder.c_str(), 0) ? ERROR_SUCCESS : kNotRestored;
}

ProbeResult ProbeFolderFromAnotherProcess(const std::wstring& folder) {
    std::optional<ChildProcess> child = ChildProcess::StartSelf(L"--try-rename " + Quote(folder));
    if (!child) return {false, "could not start the probing process"};
    const DWORD code = child->Wait();
    return {code == ERROR_SUCCESS, "another process (" + std::to_string(child->Id()) +
                                       ") renames " + ToUtf8(folder) + ": " + Describe(code)};
}

}  // namespace demo
