// The platform calls a session start and end cannot do without, made directly: the signature
// and publisher checks of the SDK file, its load, and the SDK's own session and lock calls.
// It is the yardstick the library's own cycle is measured against.
#pragma once

#include <string>

#include "harness/program_run.h"

namespace bench {

class PlatformCycle {
  public:
    // folder: the folder to lock, without the trailing backslash the SDK receives.
    PlatformCycle(std::wstring sdkPath, const std::wstring& folder);

    // WinVerifyTrust verify and close, CryptQueryObject and the certificate search, LoadLibraryW,
    // then the SDK's Initialize, ReleaseMemory and LockDirectory. False when any step failed.
    bool Open();
    // UnLockDirectory, Uninitialize and FreeLibrary. False when any step failed.
    bool Close();
    // Open and Close, as one start and end; false when any step failed.
    bool Cycle();

  private:
    bool VerifyTrust() const;
    bool FindPublisher() const;
    bool StartSession();

    std::wstring sdkPath_;
    std::string folder_;  // UTF-8 with a trailing backslash, as the SDK receives it
    std::string release_;
    tsctest::UniqueModule sdk_;
    std::string sessionId_;
};

}  // namespace bench
