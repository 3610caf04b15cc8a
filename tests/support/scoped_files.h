// Files and folders that exist for one test only.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tsctest {

std::optional<std::string> ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);

// Creates the folder and any missing parents; removes the ones it created at scope end.
class ScopedDirectory {
public:
    explicit ScopedDirectory(std::wstring path);
    ~ScopedDirectory();
    ScopedDirectory(const ScopedDirectory&) = delete;
    ScopedDirectory& operator=(const ScopedDirectory&) = delete;
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
    std::vector<std::wstring> created_;  // outermost first
};

// Writes the file (its folder must exist); restores the old content, or removes it, at scope end.
class ScopedFile {
public:
    ScopedFile(std::wstring path, const std::string& bytes);
    ~ScopedFile();
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
    explicit ScopedMoveAside(std::wstring path);
    ~ScopedMoveAside();
    ScopedMoveAside(const ScopedMoveAside&) = delete;
    ScopedMoveAside& operator=(const ScopedMoveAside&) = delete;

private:
    std::wstring path_;
    std::wstring aside_;
    bool moved_ = false;
};

}  // namespace tsctest
