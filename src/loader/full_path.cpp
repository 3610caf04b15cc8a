#include "loader/full_path.h"

#include <windows.h>

namespace tsc {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsFullyQualified(const std::wstring& path) {
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return true;
    return path.size() >= 3 && path[1] == L':' && IsSeparator(path[2]);
}

}  // namespace

std::optional<std::wstring> FullPath(const std::wstring& path) {
    if (IsFullyQualified(path)) return path;
    // Asks twice at most: the first answer may announce a longer path than the buffer holds.
    std::wstring full(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length =
            GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0) return std::nullopt;
        if (length < full.size()) {
            full.resize(length);
            return full;
        }
        full.assign(length, L'\0');
    }
    return std::nullopt;
}

}  // namespace tsc
