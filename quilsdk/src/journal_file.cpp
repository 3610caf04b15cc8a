#include "journal_file.h"

#include "unique_handle.h"

#include <windows.h>

namespace quilsdk_standin {
namespace {

// Appends from several processes are not atomic under Wine, even with FILE_APPEND_DATA. All
// writers instead take an exclusive lock on one byte far beyond any real journal size: the lock
// serialises them without keeping readers out of the file's actual contents.
constexpr ULONGLONG kWriterLockOffset = 0x7FFFFFFFFFFFFFF0ULL;

class WriterLock {
  public:
    explicit WriterLock(HANDLE file) : file_(file) {
        overlapped_.Offset = static_cast<DWORD>(kWriterLockOffset & 0xFFFFFFFFULL);
        overlapped_.OffsetHigh = static_cast<DWORD>(kWriterLockOffset >> 32);
        locked_ = LockFileEx(file_, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &overlapped_) != FALSE;
    }
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;
    ~WriterLock() {
        if (locked_) {
            UnlockFileEx(file_, 0, 1, 0, &overlapped_);
        }
    }
    bool Locked() const { return locked_; }

  private:
    HANDLE file_;
    OVERLAPPED overlapped_{};
    bool locked_ = false;
};

}  // namespace

void AppendJournalLine(const std::wstring& path, std::string_view line) {
    const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        return;
    }
    const WriterLock lock(file.Get());
    if (!lock.Locked()) {
        return;
    }
    const LARGE_INTEGER zero{};
    if (!SetFilePointerEx(file.Get(), zero, nullptr, FILE_END)) {
        return;
    }
    DWORD written = 0;
    WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace quilsdk_standin
