#include "common/existence.h"

#include <windows.h>

#include "common/platform_seams.h"
#include "common/win_handles.h"

namespace tsc {
namespace {

bool MeansAbsent(DWORD code) {
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ||
           code == ERROR_BAD_NETPATH || code == ERROR_INVALID_NAME;
}

// Opening with no access rights follows links to their target and, with backup semantics,
// opens folders too; attribute queries alone would describe a link itself.
std::uint32_t StatusQuery(const std::wstring& path) {
    UniqueFileHandle handle(
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return handle ? ERROR_SUCCESS : GetLastError();
}

}  // namespace

Existence QueryExistence(const std::wstring& path) {
    const DWORD code = seams::statusQuery(path);
    if (code == ERROR_SUCCESS) return {true, 0};
    if (MeansAbsent(code)) return {false, 0};
    return {false, code};
}

bool ExistsOrFails(const std::wstring& path, FileSystemFailure& failure) {
    const Existence result = QueryExistence(path);
    if (result.error != 0) failure = FileSystemError{"exists", path, result.error};
    return result.exists;
}

namespace seams {
std::uint32_t (*statusQuery)(const std::wstring& path) = &StatusQuery;
}

}  // namespace tsc
