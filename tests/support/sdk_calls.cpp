#include "support/sdk_calls.h"

#include <windows.h>

#include "support/loader_support.h"

namespace tsctest {

std::vector<std::string> FoldersPassedTo(const SdkJournal& journal, const std::string& exportName) {
    // "<Export>\t<session id>\t<folder>\t=> <result>"
    std::vector<std::string> folders;
    for (const std::string& call : journal.Calls()) {
        if (call.compare(0, exportName.size() + 1, exportName + "\t") != 0) continue;
        const size_t folderStart = call.find('\t', exportName.size() + 1) + 1;
        const size_t resultStart = call.rfind("\t=> ");
        folders.push_back(call.substr(folderStart, resultStart - folderStart));
    }
    return folders;
}

bool RenamableByAnotherProcess(const std::wstring& folder) {
    const std::wstring aside = folder + L".aside";
    if (RunShellCommand(L"move \"" + folder + L"\" \"" + aside + L"\"") != 0) return false;
    MoveFileExW(aside.c_str(), folder.c_str(), 0);
    return true;
}

}  // namespace tsctest
