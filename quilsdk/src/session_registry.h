// The sessions open in this process, by id. Every export goes through the one instance.
#pragma once

#include "session.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace quilsdk_standin {

class SessionRegistry {
  public:
    static SessionRegistry& Instance();

    // Opens a session and answers its id, "QUIL-<process id>-<counter>": unique across the
    // processes that share a journal, and printable ASCII.
    std::string Open();

    // Each answers 0 or a stand-in result code (kUnknownSession, kBadArgument, kMissingFolder,
    // kFolderNotLockable). The folder is UTF-8 text.
    std::int32_t Lock(std::string_view id, std::string_view folder);
    std::int32_t Unlock(std::string_view id, std::string_view folder);
    // Ends the session and releases every lock it still holds.
    std::int32_t Close(std::string_view id);

  private:
    using FolderAction = std::int32_t (Session::*)(const std::wstring&);
    std::int32_t ApplyToFolder(std::string_view id, std::string_view folder, FolderAction action);

    std::mutex mutex_;
    std::map<std::string, Session, std::less<>> sessions_;
    std::uint64_t opened_ = 0;
};

}  // namespace quilsdk_standin
