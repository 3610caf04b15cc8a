// Opening a folder by name, and telling whether two handles refer to the same folder.
#pragma once

#include "unique_handle.h"

#include <cstdint>
#include <string>

namespace quilsdk_standin {

// Names one folder independently of how its path was spelled (case, trailing separator, "..").
struct FolderIdentity {
    std::uint32_t volume = 0;
    std::uint64_t index = 0;
    bool operator==(const FolderIdentity&) const = default;
};

struct OpenedFolder {
    UniqueHandle handle;
    FolderIdentity identity;
};

enum class FolderAccess {
    // Reads the folder and lets others read and write in it, but not delete or rename it, while
    // the handle is open. Several such handles, from any process, can coexist.
    kLock,
    // Asks for no rights and lets others do everything: used only to learn the identity.
    kQuery,
};

// Opens the folder at path. Answers 0 and fills folder, or a stand-in result code:
// kMissingFolder when nothing, or something other than a folder, is there.
std::int32_t OpenFolder(const std::wstring& path, FolderAccess access, OpenedFolder& folder);

}  // namespace quilsdk_standin
