#include "loader/lock_file_text.h"

#include <windows.h>

#include "common/win_handles.h"

namespace tsc {
namespace {

constexpr char kEndOfText = '\x1A';

std::string ReadRawPrefix(HANDLE file) {
    std::string raw(kLockFileReadLimit, '\0');
    std::size_t filled = 0;
    while (filled < raw.size()) {
        DWORD read = 0;
        const DWORD wanted = static_cast<DWORD>(raw.size() - filled);
        if (!ReadFile(file, raw.data() + filled, wanted, &read, nullptr)) return {};
        if (read == 0) break;
        filled += read;
    }
    raw.resize(filled);
    return raw;
}

}  // namespace

std::string TextModeContent(std::string_view raw) {
    std::string text;
    text.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == kEndOfText) break;
        const bool lineEnd = raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n';
        if (!lineEnd) text.push_back(raw[i]);
    }
    return text;
}

std::string ReadLockFileText(const std::wstring& path) {
    const UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    return TextModeContent(ReadRawPrefix(file.get()));
}

}  // namespace tsc
