// A machine on which the shared components of release 2026 are installed, for one test:
// the folders, the registry values, the signed SDK and the log folder. Put back at scope end.
#pragma once

#include <memory>
#include <string>

#include "support/scoped_files.h"
#include "support/scoped_registry.h"

namespace tsctest {

extern const wchar_t kReleaseKey[];  // SOFTWARE\Tesmora\SharedComponents\2026
extern const wchar_t kQuilKey[];     // SOFTWARE\Tesmora\QUIL\  (sic: with the backslash)
extern const wchar_t kLockFileFolder[];  // C:\ProgramData\Tesmora\QUIL

class HealthyMachine {
public:
    // sdkFixture: a file name under bin\fixtures, or a full path.
    explicit HealthyMachine(const std::wstring& sdkFixture = L"quilsdk.dll");

    // "...\Tesmora Shared\Components", the value of InstallPath.
    const std::wstring& InstallRoot() const { return installRoot_; }
    // InstallRoot() + "\1.0": the folder the library resolves, locks and puts in PATH.
    std::wstring Folder() const { return installRoot_ + L"\\1.0"; }
    const std::wstring& SdkPath() const { return sdkPath_; }
    ScopedRegistryKey& ReleaseKey() { return releaseKey_; }
    ScopedRegistryKey& QuilKey() { return quilKey_; }

private:
    std::wstring installRoot_;
    std::wstring sdkPath_;
    ScopedRegistryKey releaseKey_;
    ScopedRegistryKey quilKey_;
    ScopedDirectory versionFolder_;
    ScopedDirectory logFolder_;
    std::unique_ptr<ScopedMoveAside> lockFileAside_;
};

}  // namespace tsctest
