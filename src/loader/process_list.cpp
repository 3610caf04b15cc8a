#include "loader/process_list.h"

#include <windows.h>
#include <tlhelp32.h>

#include "common/win_handles.h"
#include "loader/loader_seams.h"

namespace tsc::seams {
HANDLE(WINAPI* createProcessSnapshot)(DWORD, DWORD) = &CreateToolhelp32Snapshot;
}

namespace tsc {

bool IsProcessIdListed(const std::string& idText) {
    const UniqueSnapshot snapshot(seams::createProcessSnapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return false;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        if (std::to_string(entry.th32ProcessID) == idText) return true;
    }
    return false;
}

}  // namespace tsc
