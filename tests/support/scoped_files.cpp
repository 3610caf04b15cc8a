#include "support/scoped_files.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>

#include "support/paths.h"

namespace tsctest {

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

ScopedDirectory::ScopedDirectory(std::wstring path) : path_(std::move(path)) {
    std::error_code error;
    std::vector<std::wstring> missing;
    for (std::filesystem::path p(path_); !p.empty() && !std::filesystem::exists(p, error);
         p = p.parent_path()) {
        missing.insert(missing.begin(), p.wstring());
        if (p == p.parent_path()) break;
    }
    for (const std::wstring& folder : missing) {
        if (CreateDirectoryW(folder.c_str(), nullptr)) created_.push_back(folder);
    }
}

ScopedDirectory::~ScopedDirectory() {
    if (!created_.empty()) RemoveTree(created_.front());
}

ScopedFile::ScopedFile(std::wstring path, const std::string& bytes)
    : path_(std::move(path)), saved_(ReadFileBytes(path_)) {
    WriteFileBytes(path_, bytes);
}

ScopedFile::~ScopedFile() {
    if (saved_) {
        WriteFileBytes(path_, *saved_);
    } else {
        DeleteFileW(path_.c_str());
    }
}

ScopedMoveAside::ScopedMoveAside(std::wstring path)
    : path_(std::move(path)), aside_(path_ + L".aside-" + std::to_wstring(GetCurrentProcessId())) {
    moved_ = MoveFileExW(path_.c_str(), aside_.c_str(), 0) != FALSE;
}

ScopedMoveAside::~ScopedMoveAside() {
    if (!moved_) return;
    RemoveTree(path_);
    MoveFileExW(aside_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
}

}  // namespace tsctest
