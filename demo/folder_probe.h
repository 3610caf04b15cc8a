// Whether another process can rename a folder right now: a locked folder refuses, a free one
// is renamed and put back at once.
#pragma once

#include <windows.h>

#include <string>

namespace demo {

// Run in the child: renames the folder away and back. 0 when both worked, otherwise the
// Win32 error of the first rename (the folder is then where it was).
DWORD TryRenameFolder(const std::wstring& folder);

struct ProbeResult {
    bool renamed;             // the folder could be renamed: it is not locked
    std::string description;  // one line for the reader
};

// Run in the demo: starts the child and reads its answer.
ProbeResult ProbeFolderFromAnotherProcess(const std::wstring& folder);

}  // namespace demo
