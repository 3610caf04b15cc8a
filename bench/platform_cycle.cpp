#include "platform_cycle.h"

#include <windows.h>
#include <wincrypt.h>

#include <utility>

#include "common/win_handles.h"
#include "entry/session_names.h"
#include "harness/paths.h"
#include "loader/publisher.h"
#include "loader/trust_request.h"
#include "wrapper/sdk_exports.h"

namespace bench {
namespace {

template <typename Func>
Func Export(HMODULE module, const char* name) {
    return reinterpret_cast<Func>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

PlatformCycle::PlatformCycle(std::wstring sdkPath, const std::wstring& folder)
    : sdkPath_(std::move(sdkPath)),
      folder_(tsctest::Utf8(folder) + "\\"),
      release_(tsctest::Utf8(tsc::kRelease)) {}

bool PlatformCycle::Open() {
    if (!VerifyTrust() || !FindPublisher()) return false;
    sdk_.reset(LoadLibraryW(sdkPath_.c_str()));
    return sdk_ && StartSession();
}

bool PlatformCycle::Cycle() {
    const bool opened = Open();
    return Close() && opened;
}

// The library's own request, its state closed at once.
bool PlatformCycle::VerifyTrust() const { return tsc::TrustStatus(sdkPath_) == 0; }

// The first certificate naming the maker, without the library's check of the signer's chain.
bool PlatformCycle::FindPublisher() const {
    DWORD encoding = 0;
    DWORD contentType = 0;
    DWORD formatType = 0;
    tsc::UniqueCryptMsg message;
    tsc::UniqueCertStore store;
    if (!CryptQueryObject(CERT_QUERY_OBJECT_FILE, sdkPath_.c_str(),
                          CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED, CERT_QUERY_FORMAT_FLAG_BINARY,
                          0, &encoding, &contentType, &formatType, store.put(), message.put(),
                          nullptr)) {
        return false;
    }
    const tsc::UniqueCertContext match(
        tsc::NextPublisherCertificate(store.get(), encoding, tsc::kPublisher, nullptr));
    return match.valid();
}

bool PlatformCycle::StartSession() {
    const auto initialize = Export<InitializeFunc>(sdk_.get(), "Initialize");
    const auto releaseMemory = Export<ReleaseMemoryFunc>(sdk_.get(), "ReleaseMemory");
    const auto lock = Export<LockDirectoryFunc>(sdk_.get(), "LockDirectory");
    if (initialize == nullptr || releaseMemory == nullptr || lock == nullptr) return false;
    char* id = nullptr;
    const bool opened =
        initialize(tsc::kProductLine, release_.c_str(), tsc::kLanguage, &id) == 0 && id != nullptr;
    sessionId_ = opened ? id : "";
    releaseMemory(sessionId_.c_str(), &id);
    return opened && lock(sessionId_.c_str(), folder_.c_str()) == 0;
}

bool PlatformCycle::Close() {
    if (!sdk_) return false;
    const auto unlock = Export<UnLockDirectoryFunc>(sdk_.get(), "UnLockDirectory");
    const auto uninitialize = Export<UninitializeFunc>(sdk_.get(), "Uninitialize");
    const bool unlocked = unlock != nullptr && unlock(sessionId_.c_str(), folder_.c_str()) == 0;
    const bool closed = uninitialize != nullptr && uninitialize(sessionId_.c_str()) == 0;
    sessionId_.clear();
    const bool freed = FreeLibrary(sdk_.release()) != FALSE;
    return unlocked && closed && freed;
}

}  // namespace bench
