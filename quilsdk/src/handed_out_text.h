// Texts the stand-in allocates for its callers and takes back in ReleaseMemory.
#pragma once

#include <string_view>

namespace quilsdk_standin {

// A NUL-terminated copy of text on the process heap, or null when memory is short. The process
// heap does not depend on which C runtime the caller and the stand-in were built with.
char* HandOutText(std::string_view text);

// Frees a text HandOutText returned; null is allowed and ignored.
void ReclaimText(char* text);

}  // namespace quilsdk_standin
