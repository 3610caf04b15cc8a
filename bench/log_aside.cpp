#include "log_aside.h"

#include <windows.h>

#include "support/paths.h"

namespace bench {

WrapperLogAside::WrapperLogAside()
    : path_(tsctest::WrapperLogPath()),
      aside_(path_ + L".bench-" + std::to_wstring(GetCurrentProcessId())) {
    moved_ = MoveFileExW(path_.c_str(), aside_.c_str(), 0) != FALSE;
}

WrapperLogAside::~WrapperLogAside() {
    DeleteFileW(path_.c_str());
    if (moved_) MoveFileExW(aside_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
}

}  // namespace bench
