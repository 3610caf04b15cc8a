#include "session.h"

#include <algorithm>

namespace quilsdk_standin {

std::int32_t Session::Lock(const std::wstring& folder) {
    OpenedFolder opened;
    const std::int32_t result = OpenFolder(folder, FolderAccess::kLock, opened);
    if (result != 0) {
        return result;
    }
    if (Find(opened.identity) == locks_.end()) {
        locks_.push_back(std::move(opened));
    }
    return 0;
}

std::int32_t Session::Unlock(const std::wstring& folder) {
    OpenedFolder queried;
    if (OpenFolder(folder, FolderAccess::kQuery, queried) != 0) {
        return 0;  // a folder that cannot be opened is not one this session holds
    }
    const auto held = Find(queried.identity);
    if (held != locks_.end()) {
        locks_.erase(held);
    }
    return 0;
}

std::vector<OpenedFolder>::iterator Session::Find(const FolderIdentity& identity) {
    return std::find_if(locks_.begin(), locks_.end(),
                        [&](const OpenedFolder& lock) { return lock.identity == identity; });
}

}  // namespace quilsdk_standin
