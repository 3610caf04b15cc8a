#include "folder.h"

#include "quilsdk/standin.h"

#include <windows.h>

namespace quilsdk_standin {
namespace {

std::int32_t CodeForOpenError(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_DIRECTORY:
            return kMissingFolder;
        default:
            return kFolderNotLockable;
    }
}

UniqueHandle OpenHandle(const std::wstring& path, FolderAccess access) {
    // The lock handle must ask for a data right (GENERIC_READ): share modes are enforced only
    // against handles that hold one. FILE_SHARE_DELETE is left out so that renames and deletes
    // by others fail with a sharing violation while the lock is held.
    const bool lock = access == FolderAccess::kLock;
    const DWORD rights = lock ? GENERIC_READ : 0;
    const DWORD share = lock ? (FILE_SHARE_READ | FILE_SHARE_WRITE)
                             : (FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    // FILE_FLAG_BACKUP_SEMANTICS is what lets CreateFileW open a folder at all.
    return UniqueHandle(CreateFileW(path.c_str(), rights, share, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

}  // namespace

std::int32_t OpenFolder(const std::wstring& path, FolderAccess access, OpenedFolder& folder) {
    UniqueHandle handle = OpenHandle(path, access);
    if (!handle.Valid()) {
        return CodeForOpenError(GetLastError());
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(handle.Get(), &information)) {
        return kFolderNotLockable;
    }
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return kMissingFolder;
    }
    folder.handle = std::move(handle);
    folder.identity.volume = information.dwVolumeSerialNumber;
    folder.identity.index =
        (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    return 0;
}

}  // namespace quilsdk_standin
