#include "entry/path_update.h"

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

}  // namespace

bool UpdatePathForTsc(std::wstring folder) {
    if (folder.empty()) return false;
    // Only one trailing separator is dropped: PATH entries are written without one.
    if (folder.back() == PAL::FileSystem::path_separator()) folder.pop_back();
    const std::wstring path = ReadPath();
    // An empty or unset PATH is left alone: the folder only ever goes in front of a search path.
    if (path.empty()) return false;
    // Any occurrence counts, in the same letter case, even inside a longer entry: the folder
    // is never added twice.
    if (path.find(folder) != std::wstring::npos) return true;
    const std::wstring updated = folder + L";" + path;
    return PAL::Settings::envVars().setString(kPathVariable, updated.c_str(), false);
}

}  // namespace tsc
