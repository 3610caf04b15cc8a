#include "common/registry_text.h"

#include <cstring>
#include <string_view>

namespace tsc {

std::wstring RegistryText(const void* data, std::size_t byteCount) {
    // The copy also avoids reading UTF-16 units from a block whose alignment is not known.
    std::wstring text(byteCount / sizeof(wchar_t), L'\0');
    if (!text.empty()) std::memcpy(text.data(), data, text.size() * sizeof(wchar_t));
    const std::size_t end = text.find(L'\0');
    if (end != std::wstring::npos) text.resize(end);
    return text;
}

}  // namespace tsc
