#include "self_update_standin.h"

#include <windows.h>

#include "common/win_handles.h"

namespace demo {
namespace {

std::wstring ExpandEnvironment(const std::wstring& text) {
    std::wstring result(MAX_PATH, L'\0');
    const DWORD needed =
        ExpandEnvironmentStringsW(text.c_str(), result.data(), static_cast<DWORD>(result.size()));
    if (needed == 0 || needed > result.size()) return {};
    result.resize(needed - 1);
    return result;
}

// The installer writes its process id in decimal and nothing else: no line break.
bool WriteLockFile(const std::wstring& path, DWORD processId) {
    const tsc::UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                                 nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                                 nullptr));
    if (!file.valid()) return false;
    const std::string content = std::to_string(processId);
    DWORD written = 0;
    return WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written,
                     nullptr) &&
           written == content.size();
}

}  // namespace

std::optional<SelfUpdateStandIn> SelfUpdateStandIn::Start() {
    const std::wstring folder = ExpandEnvironment(L"%ProgramData%\\Tesmora\\QUIL");
    if (folder.empty()) return std::nullopt;
    CreateDirectoryW(ExpandEnvironment(L"%ProgramData%\\Tesmora").c_str(), nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    std::optional<ChildProcess> installer = ChildProcess::StartSelf(L"--installer-stand-in");
    if (!installer) return std::nullopt;
    const std::wstring lockFile = folder + L"\\TsQUILInstaller.run.lock";
    if (!WriteLockFile(lockFile, installer->Id())) {
        installer->Terminate();
        return std::nullopt;
    }
    return SelfUpdateStandIn(std::move(*installer), lockFile);
}

SelfUpdateStandIn::SelfUpdateStandIn(SelfUpdateStandIn&& other) noexcept
    : installer_(std::move(other.installer_)),
      lockFile_(std::move(other.lockFile_)),
      owner_(std::exchange(other.owner_, false)) {}

SelfUpdateStandIn::~SelfUpdateStandIn() {
    if (!owner_) return;
    DeleteFileW(lockFile_.c_str());
    installer_.Terminate();
}

int RunInstallerStandIn() {
    Sleep(INFINITE);
    return 0;
}

}  // namespace demo
