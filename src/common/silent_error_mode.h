// Keeps the system from showing its critical-error message box ("There is no disk in the
// drive") on the library's behalf: probing a path on an empty removable drive or loading a
// library can raise one on Windows, and the library must never show a dialog.
#pragma once

#include <windows.h>

namespace tsc {

// While an object lives, the calling thread fails such errors silently, with the thread's other
// error-mode flags kept; its previous mode comes back when the object goes, on every way out.
class ScopedSilentErrorMode {
  public:
    static constexpr DWORD kSilent = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;

    ScopedSilentErrorMode() noexcept
        : set_(SetThreadErrorMode(GetThreadErrorMode() | kSilent, &previous_) != FALSE) {}
    ~ScopedSilentErrorMode() {
        if (set_) SetThreadErrorMode(previous_, nullptr);
    }
    ScopedSilentErrorMode(const ScopedSilentErrorMode&) = delete;
    ScopedSilentErrorMode& operator=(const ScopedSilentErrorMode&) = delete;

  private:
    DWORD previous_ = 0;
    bool set_;
};

}  // namespace tsc
