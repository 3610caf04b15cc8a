// An error raised by a file-system query that failed for a reason other than absence.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tsc {

class FileSystemError : public std::runtime_error {
  public:
    FileSystemError(std::string operation, std::wstring path, std::uint32_t code)
        : std::runtime_error(operation),
          operation_(std::move(operation)),
          path_(std::move(path)),
          code_(code) {}

    const std::string& operation() const noexcept { return operation_; }
    const std::wstring& path() const noexcept { return path_; }
    std::uint32_t code() const noexcept { return code_; }

  private:
    std::string operation_;
    std::wstring path_;
    std::uint32_t code_;
};

}  // namespace tsc
