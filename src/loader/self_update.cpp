// Whether the installer is updating itself: its lock file names a process that is alive now.
#include <windows.h>
#include <shlobj.h>

#include "loader/lock_file_text.h"
#include "common/win_handles.h"
#include "loader/loader_seams.h"
#include "loader/path_join.h"
#include "loader/process_list.h"
#include "loader/temp_directory.h"
#include "common/existence.h"
#include "wrapper/quil_api_wrapper_impl.h"

namespace {

constexpr wchar_t kInstallerDataFolder[] = L"Tesmora\\QUIL";
constexpr wchar_t kLockFileName[] = L"TsQUILInstaller.run.lock";
// Neither verify nor create the folder, and do not resolve aliases: only the path is needed.
// Combined as plain numbers: the headers' operator for the flag type is an ordinary function,
// which would make this a value computed at load.
constexpr DWORD kKnownFolderFlags =
    static_cast<DWORD>(KF_FLAG_DONT_VERIFY) | static_cast<DWORD>(KF_FLAG_NO_ALIAS);

}  // namespace

namespace tsc::seams {
HRESULT(WINAPI* knownFolderPath)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*) = &SHGetKnownFolderPath;
}

std::wstring QUILAPIWrapperImpl::GetInstallerDataDirectory(tsc::FileSystemFailure& failure,
                                                           bool* inProgramData) {
    tsc::UniqueCoTaskText programData;
    const HRESULT result = tsc::seams::knownFolderPath(FOLDERID_ProgramData, kKnownFolderFlags,
                                                       nullptr, programData.put());
    const bool known = SUCCEEDED(result) && programData;
    if (inProgramData != nullptr) *inProgramData = known;
    if (known) {
        return tsc::JoinPath(programData.get(), kInstallerDataFolder);
    }
    return tsc::TempDirectoryPath(failure);
}

std::wstring QUILAPIWrapperImpl::SelfUpdateLockPath(tsc::FileSystemFailure& failure,
                                                    bool* inProgramData) {
    const std::wstring folder = GetInstallerDataDirectory(failure, inProgramData);
    return failure ? std::wstring() : tsc::JoinPath(folder, kLockFileName);
}

bool QUILAPIWrapperImpl::IsSelfUpdateRunning(tsc::FileSystemFailure& failure) {
    const std::wstring lockPath = SelfUpdateLockPath(failure);
    // Without a lock file no update runs, and the process list is not looked at.
    if (failure || !tsc::ExistsOrFails(lockPath, failure)) return false;
    const std::string content = tsc::ReadLockFileText(lockPath);
    return tsc::IsProcessIdListed(content);
}
