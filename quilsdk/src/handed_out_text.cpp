#include "handed_out_text.h"

#include <windows.h>

#include <cstring>

namespace quilsdk_standin {

char* HandOutText(std::string_view text) {
    void* memory = HeapAlloc(GetProcessHeap(), 0, text.size() + 1);
    if (memory == nullptr) {
        return nullptr;
    }
    char* copy = static_cast<char*>(memory);
    std::memcpy(copy, text.data(), text.size());
    copy[text.size()] = '\0';
    return copy;
}

void ReclaimText(char* text) {
    if (text != nullptr) {
        HeapFree(GetProcessHeap(), 0, text);
    }
}

}  // namespace quilsdk_standin
