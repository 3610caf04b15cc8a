#include "process_lookup.h"

#include <windows.h>
#include <tlhelp32.h>

#include "loader/loader_handles.h"

namespace tscdiag {

std::optional<ProcessEntry> FindProcessByIdText(const std::string& idText) {
    const tsc::UniqueSnapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return std::nullopt;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        if (std::to_string(entry.th32ProcessID) == idText) {
            return ProcessEntry{entry.th32ProcessID, entry.szExeFile};
        }
    }
    return std::nullopt;
}

}  // namespace tscdiag
