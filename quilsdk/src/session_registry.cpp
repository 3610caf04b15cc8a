#include "session_registry.h"

#include "quilsdk/standin.h"
#include "utf8.h"

#include <windows.h>

#include <optional>

namespace quilsdk_standin {

SessionRegistry& SessionRegistry::Instance() {
    // Destroyed at FreeLibrary or process exit, which closes every lock handle still open.
    static SessionRegistry registry;
    return registry;
}

std::string SessionRegistry::Open() {
    const std::lock_guard guard(mutex_);
    std::string id =
        "QUIL-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++opened_);
    sessions_.emplace(id, Session());
    return id;
}

std::int32_t SessionRegistry::Lock(std::string_view id, std::string_view folder) {
    return ApplyToFolder(id, folder, &Session::Lock);
}

std::int32_t SessionRegistry::Unlock(std::string_view id, std::string_view folder) {
    return ApplyToFolder(id, folder, &Session::Unlock);
}

std::int32_t SessionRegistry::Close(std::string_view id) {
    const std::lock_guard guard(mutex_);
    const auto session = sessions_.find(id);
    if (session == sessions_.end()) {
        return kUnknownSession;
    }
    sessions_.erase(session);
    return 0;
}

std::int32_t SessionRegistry::ApplyToFolder(std::string_view id, std::string_view folder,
                                            FolderAction action) {
    const std::lock_guard guard(mutex_);
    const auto session = sessions_.find(id);
    if (session == sessions_.end()) {
        return kUnknownSession;  // an empty id is never handed out, so it lands here too
    }
    const std::optional<std::wstring> path = Utf8ToWide(folder);
    if (folder.empty() || !path) {
        return kBadArgument;
    }
    return (session->second.*action)(*path);
}

}  // namespace quilsdk_standin
