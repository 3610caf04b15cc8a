// Files and folders that exist for one test only, and reading what programs wrote to files.
#pragma once

#include <fstream>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

#include "harness/paths.h"

namespace tsctest {

inline std::optional<std::string> ReadFileBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream(std::filesystem::path(path), std::ios::binary | std::ios::trunc) << bytes;
}

// The lines of the text, each without its line end; an unterminated tail is the last line.
inline std::vector<std::string> SplitLines(const std::string& text, const std::string& end) {
    std::vector<std::string> lines;
    std::size_t begin = 0;
    for (std::size_t at; (at = text.find(end, begin)) != std::string::npos; begin = at + end.size())
        lines.push_back(text.substr(begin, at - begin));
    if (begin < text.size()) lines.push_back(text.substr(begin));
    return lines;
}

// Creates the folder and any missing parents; removes the ones it created at scope end.
class ScopedDirectory {
  public:
    explicit ScopedDirectory(std::wstring path) : path_(std::move(path)) {
        std::error_code error;
        for (std::filesystem::path p(path_); p != p.parent_path() && !exists(p, error);
             p = p.parent_path())
            outermost_ = p.wstring();
        std::filesystem::create_directories(path_, error);
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

// Moves an existing file or folder aside; at scope end removes what is there then (unless the
// old one could not be moved) and puts the old one back.
class ScopedMoveAside {
  public:
    explicit ScopedMoveAside(std::wstring path)
        : path_(std::move(path)),
          aside_(path_ + L".aside-" + std::to_wstring(GetCurrentProcessId())),
          existed_(GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES),
          moved_(MoveFileExW(path_.c_str(), aside_.c_str(), 0) != FALSE) {}
    ~ScopedMoveAside() {
        if (moved_ || !existed_) RemoveTree(path_);
        if (moved_) MoveFileExW(aside_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    ScopedMoveAside(const ScopedMoveAside&) = delete;
    ScopedMoveAside& operator=(const ScopedMoveAside&) = delete;

  private:
    std::wstring path_;
    std::wstring aside_;
    bool existed_;
    bool moved_;
};

// Makes the folder this process's current folder; puts the old one back at scope end.
class ScopedCurrentDirectory {
  public:
    explicit ScopedCurrentDirectory(const std::wstring& path)
        : saved_(std::filesystem::current_path()) {
        std::filesystem::current_path(path);
    }
    ~ScopedCurrentDirectory() {
        std::error_code error;
        std::filesystem::current_path(saved_, error);
    }
    ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
    ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

  private:
    std::filesystem::path saved_;
};

}  // namespace tsctest
