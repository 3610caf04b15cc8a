#include "wrapper_log_tail.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "wrapper/wrapper_log.h"

namespace tscdiag {
namespace {

std::uint64_t FileSize(const std::wstring& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

}  // namespace

WrapperLogTail::WrapperLogTail() : path_(tsc::WrapperLogPath()), start_(FileSize(path_)) {}

std::vector<std::string> WrapperLogTail::NewLines() const {
    // Opened for reading only, so that the library and other writers can go on appending.
    std::ifstream file(std::filesystem::path(path_), std::ios::binary);
    std::vector<std::string> lines;
    if (!file || FileSize(path_) < start_) return lines;
    file.seekg(static_cast<std::streamoff>(start_));
    for (std::string line; std::getline(file, line) && !file.eof();) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

}  // namespace tscdiag
