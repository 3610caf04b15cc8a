#include "failure.h"

#include <cstdio>

namespace trustroot {

void Fail(const std::string& step, DWORD error) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(error));
    throw Failure(step + " failed (error " + std::to_string(error) + ", " + code + ")");
}

}  // namespace trustroot
