#include "entry/path_update.h"

#include <algorithm>
#include <string_view>

#include "dtpal/dtpal.h"

namespace tsc {
namespace {

namespace PAL = Tesmora::Corvane::PAL;

constexpr wchar_t kPathVariable[] = L"PATH";

// PATH up to its first NUL; empty when it is not set.
std::wstring ReadPath() {
    const std::wstring value = PAL::Settings::envVars().getString(kPathVariable, std::wstring());
    return value.substr(0, value.find(L'\0'));
}

// Whether one whole entry of the list is the folder, alone or followed by one separator, in
// the same letter case. A longer folder name that merely starts with it ("...\2026.0.10" for
// "...\2026.0.1") does not put the folder on the search path.
bool ListsFolder(std::wstring_view path, std::wstring_view folder) {
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t end = std::min(path.find(L';', start), path.size());
        std::wstring_view entry = path.substr(start, end - start);
        if (entry.size() == folder.size() + 1 && entry.back() == PAL::FileSystem::path_separator())
            entry.remove_suffix(1);
        if (entry == folder) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

bool UpdatePathForTsc(std::wstring folder) {
    if (folder.empty()) return false;
    // Only one trailing separator is dropped: PATH entries are written without one.
    if (folder.back() == PAL::FileSystem::path_separator()) folder.pop_back();
    const std::wstring path = ReadPath();
    // An empty or unset PATH is left alone: the folder only ever goes in front of a search path.
    if (path.empty()) return false;
    // The folder is never added twice.
    if (ListsFolder(path, folder)) return true;
    const std::wstring updated = folder + L";" + path;
    return PAL::Settings::envVars().setString(kPathVariable, updated.c_str(), false);
}

}  // namespace tsc
