#include "loader/path_join.h"

namespace tsc {
namespace {

bool IsAsciiLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

bool NeedsSeparator(const std::wstring& left) {
    if (left.empty()) return false;
    const wchar_t last = left.back();
    if (last == L'\\' || last == L'/') return false;
    const bool bareDrive = left.size() == 2 && last == L':' && IsAsciiLetter(left[0]);
    return !bareDrive;
}

}  // namespace

std::wstring JoinPath(const std::wstring& left, const std::wstring& right) {
    return NeedsSeparator(left) ? left + L'\\' + right : left + right;
}

}  // namespace tsc
