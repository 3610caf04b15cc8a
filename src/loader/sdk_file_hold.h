// Keeps the SDK file from being changed, replaced or removed between its checks and its load.
#pragma once

#include <windows.h>

#include <string>

#include "common/win_handles.h"

namespace tsc {

class SdkFileHold {
  public:
    // Opens the file for reading and shares only reading: while the hold lasts, writing,
    // renaming and deleting by anyone fail, while this process can still verify and load it.
    explicit SdkFileHold(const std::wstring& path);

    bool held() const noexcept { return file_.valid(); }
    // The platform's code when the hold could not be taken, else 0.
    DWORD error() const noexcept { return error_; }

  private:
    UniqueFileHandle file_;
    DWORD error_ = 0;
};

}  // namespace tsc
