// Plays a self-update of the installer in progress: a live process whose id is the whole
// content of the installer's lock file. Both go away with this object.
#pragma once

#include <optional>
#include <string>

#include "child_process.h"

namespace demo {

class SelfUpdateStandIn {
  public:
    // Nothing when the process cannot be started or the lock file cannot be written.
    static std::optional<SelfUpdateStandIn> Start();

    SelfUpdateStandIn(SelfUpdateStandIn&& other) noexcept;
    SelfUpdateStandIn& operator=(SelfUpdateStandIn&&) = delete;
    ~SelfUpdateStandIn();

    const std::wstring& LockFile() const { return lockFile_; }
    DWORD ProcessId() const { return installer_.Id(); }

  private:
    SelfUpdateStandIn(ChildProcess installer, std::wstring lockFile)
        : installer_(std::move(installer)), lockFile_(std::move(lockFile)) {}

    ChildProcess installer_;
    std::wstring lockFile_;
    bool owner_ = true;
};

// The child's part: waits until it is ended.
int RunInstallerStandIn();

}  // namespace demo
