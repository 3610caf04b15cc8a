// One open session of the stand-in and the folders it holds locked.
#pragma once

#include "folder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quilsdk_standin {

class Session {
  public:
    // Locks the folder for this session. Locking a folder the session already holds, under any
    // spelling of its path, keeps the one lock and answers 0.
    std::int32_t Lock(const std::wstring& folder);

    // Releases this session's lock on the folder. A folder the session does not hold, including
    // one that does not exist, answers 0: there is nothing to release.
    std::int32_t Unlock(const std::wstring& folder);

    // Closing the handles (when the session is destroyed) releases every lock still held.

  private:
    std::vector<OpenedFolder>::iterator Find(const FolderIdentity& identity);

    std::vector<OpenedFolder> locks_;
};

}  // namespace quilsdk_standin
