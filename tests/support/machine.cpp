#include "support/machine.h"

#include <windows.h>

#include "support/paths.h"

namespace tsctest {

const wchar_t kReleaseKey[] = L"SOFTWARE\\Tesmora\\SharedComponents\\2026";
const wchar_t kQuilKey[] = L"SOFTWARE\\Tesmora\\QUIL\\";
const wchar_t kLockFileFolder[] = L"C:\\ProgramData\\Tesmora\\QUIL";

HealthyMachine::HealthyMachine(const std::wstring& sdkFixture)
    : installRoot_(TempRoot() + L"\\Tesmora Shared\\Components"),
      sdkPath_(sdkFixture.find(L'\\') == std::wstring::npos ? FixturePath(sdkFixture) : sdkFixture),
      releaseKey_(HKEY_LOCAL_MACHINE, kReleaseKey),
      quilKey_(HKEY_LOCAL_MACHINE, kQuilKey),
      versionFolder_(installRoot_ + L"\\1.0"),
      logFolder_(WrapperLogFolder()),
      // A self-update lock left by another test or the demo must not decide this test.
      lockFileAside_(std::make_unique<ScopedMoveAside>(ScopedLockFile::Path())) {
    releaseKey_.DeleteKey();
    releaseKey_.SetString(L"InstallPath", installRoot_);
    releaseKey_.SetString(L"Version", L"1.0");
    quilKey_.DeleteKey();
    quilKey_.SetString(L"QUILSDKLocation", sdkPath_);
}

std::string OwnProcessId() { return std::to_string(GetCurrentProcessId()); }

ScopedLockFile::ScopedLockFile(const std::string& content) : file(Path(), content) {}

std::wstring ScopedLockFile::Path() {
    return std::wstring(kLockFileFolder) + L"\\TsQUILInstaller.run.lock";
}

}  // namespace tsctest
