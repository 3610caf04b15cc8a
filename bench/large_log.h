// A large wrapper log for the benchmark's log-size runs, written once under a spare name and
// moved into the log's place for the runs that need it: a rename instead of a rewrite, so that
// writing 100 MB does not fall on the runs measured.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>

#include "common/win_handles.h"

namespace bench {

inline constexpr std::uint64_t kMiB = 1024 * 1024;

// Whole log lines up to about `bytes`, flushed, so that the disk has caught up before the runs.
inline bool WriteLogOfSize(const std::wstring& path, std::uint64_t bytes) {
    const tsc::UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                                 nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                                 nullptr));
    const std::string line =
        "[2026-01-01T00:00:00] [INFO] QUILAPIWrapperImpl::Initialize: an earlier session\r\n";
    std::string chunk;
    while (chunk.size() + line.size() <= kMiB) chunk += line;
    bool ok = file.valid();
    for (std::uint64_t written = 0; ok && written + chunk.size() <= bytes;
         written += chunk.size()) {
        DWORD done = 0;
        ok = WriteFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &done, nullptr);
    }
    return ok && FlushFileBuffers(file.get()) != FALSE;
}

class LargeLog {
  public:
    LargeLog(std::wstring log, std::uint64_t bytes)
        : log_(std::move(log)),
          spare_(log_ + L".bench-large"),
          ready_(WriteLogOfSize(spare_, bytes)) {}
    ~LargeLog() {
        Use(false);
        DeleteFileW(spare_.c_str());
    }
    LargeLog(const LargeLog&) = delete;
    LargeLog& operator=(const LargeLog&) = delete;

    // Moves the large log into place, or back to its spare name: then the next run starts
    // without a log. False when the move failed.
    bool Use(bool large) {
        if (inPlace_) {
            inPlace_ = !MoveFileExW(log_.c_str(), spare_.c_str(), MOVEFILE_REPLACE_EXISTING);
        }
        if (large && !inPlace_) {
            inPlace_ =
                ready_ && MoveFileExW(spare_.c_str(), log_.c_str(), MOVEFILE_REPLACE_EXISTING);
        }
        return inPlace_ == large;
    }

  private:
    std::wstring log_;
    std::wstring spare_;
    bool ready_;
    bool inPlace_ = false;
};

}  // namespace bench
