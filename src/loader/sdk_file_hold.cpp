#include "loader/sdk_file_hold.h"

#include "loader/loader_seams.h"

namespace tsc {

SdkFileHold::SdkFileHold(const std::wstring& path)
    : file_(seams::openForHold(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr)) {
    // Without backup semantics a directory cannot be opened, so a hold is only ever on a file.
    if (!file_) error_ = GetLastError();
}

}  // namespace tsc
