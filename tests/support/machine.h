// A machine on which the shared components of release 2026 are installed, for one test:
// the folders, the registry values, the signed SDK, the log folder, and an environment without
// the bypass or the override. Put back at scope end, PATH included.
#pragma once

#include "harness/paths.h"
#include "support/scoped_environment.h"
#include "support/scoped_files.h"
#include "support/scoped_registry.h"

namespace tsctest {

inline constexpr wchar_t kReleaseKey[] = L"SOFTWARE\\Tesmora\\SharedComponents\\2026";
inline constexpr wchar_t kQuilKey[] = L"SOFTWARE\\Tesmora\\QUIL\\";  // sic: with the backslash
inline constexpr wchar_t kLockFileFolder[] = L"C:\\ProgramData\\Tesmora\\QUIL";

// This process's id in decimal: in a lock file it means a self-update is running.
inline std::string OwnProcessId() { return std::to_string(GetCurrentProcessId()); }

// The installer's self-update lock file with this content, and its folder, for one scope.
struct ScopedLockFile {
    explicit ScopedLockFile(const std::string& content) : file(Path(), content) {}
    static std::wstring Path() {
        return std::wstring(kLockFileFolder) + L"\\TsQUILInstaller.run.lock";
    }
    ScopedDirectory folder{kLockFileFolder};
    ScopedFile file;
};

class HealthyMachine {
  public:
    // sdkFixture: a file name under bin\fixtures, or a full path.
    explicit HealthyMachine(const std::wstring& sdkFixture = L"quilsdk.dll")
        : installRoot_(TempRoot() + L"\\Tesmora Shared\\Components"),
          sdkPath_(sdkFixture.find(L'\\') == std::wstring::npos ? FixturePath(sdkFixture)
                                                                : sdkFixture) {
        releaseKey_.DeleteKey();
        releaseKey_.SetString(L"InstallPath", installRoot_);
        releaseKey_.SetString(L"Version", L"1.0");
        quilKey_.DeleteKey();
        quilKey_.SetString(L"QUILSDKLocation", sdkPath_);
    }

    // "...\Tesmora Shared\Components", the value of InstallPath.
    const std::wstring& InstallRoot() const { return installRoot_; }
    // InstallRoot() + "\1.0": the folder the library resolves, locks and puts in PATH.
    std::wstring Folder() const { return installRoot_ + L"\\1.0"; }
    const std::wstring& SdkPath() const { return sdkPath_; }
    ScopedRegistryKey& ReleaseKey() { return releaseKey_; }
    ScopedRegistryKey& QuilKey() { return quilKey_; }

  private:
    ScopedEnvironmentVariable bypass_{L"TSC_INITIALIZE_BYPASSED", std::nullopt};
    ScopedEnvironmentVariable override_{L"TSC_PATH_2026", std::nullopt};
    ScopedEnvironmentVariable path_{L"PATH", GetEnv(L"PATH")};
    std::wstring installRoot_;
    std::wstring sdkPath_;
    ScopedRegistryKey releaseKey_{HKEY_LOCAL_MACHINE, kReleaseKey};
    ScopedRegistryKey quilKey_{HKEY_LOCAL_MACHINE, kQuilKey};
    ScopedDirectory versionFolder_{installRoot_ + L"\\1.0"};
    ScopedDirectory logFolder_{WrapperLogFolder()};
    // A self-update lock left by another test or the demo must not decide this test.
    ScopedMoveAside lockFileAside_{ScopedLockFile::Path()};
};

// A healthy machine changed for one case: what the case keeps alive (files, variables, seams)
// goes at scope end, in reverse order, before the machine is put back.
struct Scene {
    explicit Scene(const std::wstring& sdkFixture = L"quilsdk.dll") : machine(sdkFixture) {}
    ~Scene() {
        while (!keep.empty()) keep.pop_back();
    }
    template <typename T, typename... Args>
    T& Keep(Args&&... args) {
        auto item = std::make_shared<T>(std::forward<Args>(args)...);
        keep.push_back(item);
        return *item;
    }
    HealthyMachine machine;
    std::vector<std::shared_ptr<void>> keep;
};

}  // namespace tsctest
