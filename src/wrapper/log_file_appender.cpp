#include "wrapper/log_file_appender.h"

#include <windows.h>

#include "common/win_handles.h"
#include "wrapper/wrapper_seams.h"

namespace tsc {

namespace seams {
BOOL(WINAPI* lockFile)(HANDLE, DWORD, DWORD, DWORD, DWORD, LPOVERLAPPED) = &LockFileEx;
}

namespace {

// Appends from several processes are not atomic under every platform, so writers take turns
// through an exclusive lock on one byte far beyond any real file size; the byte itself is
// never written, so readers are not disturbed.
constexpr DWORD kLockOffsetLow = 0xFFFFFFF0u;
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFFu;
// A hung host is worse than a torn line: after this long the line is written anyway.
constexpr ULONGLONG kLockPatienceMs = 1000;

OVERLAPPED LockRange() {
    OVERLAPPED range = {};
    range.Offset = kLockOffsetLow;
    range.OffsetHigh = kLockOffsetHigh;
    return range;
}

// Waits only while another writer holds the range. A file system that refuses byte-range locks
// (some network shares and filter drivers) gets the line at once, unlocked, as a file system
// without locks would.
bool TakeWriterLock(HANDLE file) {
    const ULONGLONG deadline = GetTickCount64() + kLockPatienceMs;
    for (;;) {
        OVERLAPPED range = LockRange();
        if (seams::lockFile(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                            &range)) {
            return true;
        }
        if (GetLastError() != ERROR_LOCK_VIOLATION) return false;
        if (GetTickCount64() >= deadline) return false;
        Sleep(1);
    }
}

void ReleaseWriterLock(HANDLE file) {
    OVERLAPPED range = LockRange();
    UnlockFileEx(file, 0, 1, 0, &range);
}

// The file is a text file: each line feed becomes CR LF on disk.
std::string WithCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    for (char c : text) {
        if (c == '\n') out.push_back('\r');
        out.push_back(c);
    }
    return out;
}

void WriteAtEnd(HANDLE file, const std::string& bytes) {
    LARGE_INTEGER zero = {};
    if (!SetFilePointerEx(file, zero, nullptr, FILE_END)) return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

void AppendToLogFile(const std::wstring& path, std::string_view text) {
    if (path.empty()) return;
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    const std::string bytes = WithCrLf(text);
    const bool locked = TakeWriterLock(file.get());
    WriteAtEnd(file.get(), bytes);
    if (locked) ReleaseWriterLock(file.get());
}

}  // namespace tsc
