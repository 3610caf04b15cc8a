// Owns one kernel handle and closes it when it goes out of scope.
#pragma once

#include <windows.h>

#include <utility>

namespace quilsdk_standin {

class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset(std::exchange(other.handle_, nullptr));
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(nullptr); }

    HANDLE Get() const { return handle_; }
    // CreateFileW reports failure with INVALID_HANDLE_VALUE, other calls with null.
    bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

  private:
    void Reset(HANDLE handle) {
        if (Valid()) {
            CloseHandle(handle_);
        }
        handle_ = handle;
    }

    HANDLE handle_ = nullptr;
};

}  // namespace quilsdk_standin
