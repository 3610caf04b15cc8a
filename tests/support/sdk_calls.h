// What the stand-in SDK was asked to lock and unlock, taken from its journal.
#pragma once

#include <string>
#include <vector>

#include "support/sdk_journal.h"

namespace tsctest {

// The folder argument (raw UTF-8 bytes, as received) of every call of `exportName`
// ("LockDirectory" or "UnLockDirectory"), in call order.
std::vector<std::string> FoldersPassedTo(const SdkJournal& journal, const std::string& exportName);

// Whether another process can rename the folder right now; a renamed folder is put back.
bool RenamableByAnotherProcess(const std::wstring& folder);

}  // namespace tsctest
