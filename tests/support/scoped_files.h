// Files and folders that exist for one test only.
#pragma once

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "support/paths.h"

namespace tsctest {

inline std::optional<std::string> ReadFileBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream(std::filesystem::path(path), std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Creates the folder and any missing parents; removes the ones it created at scope end.
class ScopedDirectory {
  public:
    explicit ScopedDirectory(std::wstring path) : path_(std::move(path)) {
        std::error_code error;
        std::vector<std::wstring> missing;  // outermost first
        for (std::filesystem::path p(path_); !p.empty() && !std::filesystem::exists(p, error);
             p = p.parent_path()) {
            missing.insert(missing.begin(), p.wstring());
            if (p == p.parent_path()) break;
        }
        for (const std::wstring& folder : missing) {
            if (CreateDirectoryW(folder.c_str(), nullptr) && outermost_.empty()) {
                outermost_ = folder;
            }
        }
    }
    ~ScopedDirectory() {
        if (!outermost_.empty()) RemoveTree(outermost_);
    }
    ScopedDirectory(const ScopedDirectory&) = delete;
    ScopedDirectory& operator=(const ScopedDirectory&) = delete;
    const std::wstring& path() const { return path_; }

  private:
    std::wstring path_;
    std::wstring outermost_;  // the outermost folder this object created
};

// Writes the file (its folder must exist); restores the old content, or removes it, at scope end.
class ScopedFile {
  public:
    ScopedFile(std::wstring path, const std::string& bytes)
        : path_(std::move(path)), saved_(ReadFileBytes(path_)) {
        WriteFileBytes(path_, bytes);
    }
    ~ScopedFile() {
        if (saved_) {
            WriteFileBytes(path_, *saved_);
        } else {
            DeleteFileW(path_.c_str());
        }
    }
    ScopedFile(const ScopedFile&) = delete;
    ScopedFile& operator=(const ScopedFile&) = delete;
    const std::wstring& path() const { return path_; }

  private:
    std::wstring path_;
    std::optional<std::string> saved_;
};

// Moves an existing file or folder aside and puts it back at scope end.
class ScopedMoveAside {
  public:
    explicit ScopedMoveAside(std::wstring path)
        : path_(std::move(path)),
          aside_(path_ + L".aside-" + std::to_wstring(GetCurrentProcessId())),
          moved_(MoveFileExW(path_.c_str(), aside_.c_str(), 0) != FALSE) {}
    ~ScopedMoveAside() {
        if (!moved_) return;
        RemoveTree(path_);
        MoveFileExW(aside_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    ScopedMoveAside(const ScopedMoveAside&) = delete;
    ScopedMoveAside& operator=(const ScopedMoveAside&) = delete;

  private:
    std::wstring path_;
    std::wstring aside_;
    bool moved_;
};

}  // namespace tsctest
