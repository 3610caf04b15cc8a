// Owns one kernel handle and closes it on every exit.
#pragma once

#include <windows.h>

#include <utility>

namespace demo {

class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Close();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    ~UniqueHandle() { Close(); }

    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

  private:
    void Close() {
        if (Valid()) CloseHandle(handle_);
        handle_ = nullptr;
    }

    HANDLE handle_ = nullptr;
};

}  // namespace demo

namespace demo {

// Owns one loaded library and frees it on every exit.
class UniqueModule {
  public:
    explicit UniqueModule(HMODULE module) : module_(module) {}
    UniqueModule(const UniqueModule&) = delete;
    UniqueModule& operator=(const UniqueModule&) = delete;
    ~UniqueModule() {
        if (module_ != nullptr) FreeLibrary(module_);
    }

    HMODULE Get() const { return module_; }

  private:
    HMODULE module_;
};

}  // namespace demo
