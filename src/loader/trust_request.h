// The request WinVerifyTrust gets for the SDK file: no UI, no revocation check (so nothing is
// ever fetched for revocation), the embedded signature of the file at a path.
#pragma once

#include <windows.h>
#include <wintrust.h>
#include <softpub.h>

#include <array>
#include <cstddef>
#include <string>

namespace tsc {

// WINTRUST_DATA including its trailing pSignatureSettings field. Older headers end the
// structure before that field, so room for it is added here; it stays null.
inline constexpr DWORD kTrustDataSize = 88;
struct TrustRequest {
    WINTRUST_FILE_INFO file;
    WINTRUST_DATA data;
    std::array<std::byte, kTrustDataSize - sizeof(WINTRUST_DATA)> signatureSettings;
};
static_assert(sizeof(WINTRUST_DATA) <= kTrustDataSize);

// Makes `request` a verify request for the file at `path`, which must outlive it. The request
// points into itself, so it is filled where it lives rather than returned.
inline void PrepareTrustRequest(const std::wstring& path, TrustRequest& request) {
    request = {};
    request.file.cbStruct = sizeof(WINTRUST_FILE_INFO);
    request.file.pcwszFilePath = path.c_str();
    WINTRUST_DATA& data = request.data;
    data.cbStruct = kTrustDataSize;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &request.file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    data.dwUIContext = WTD_UICONTEXT_EXECUTE;
}

// The trust check's answer alone (0: trusted), its state closed at once: for callers that need no
// chain from it, such as the benchmark's baseline and the release's signature check.
inline LONG TrustStatus(const std::wstring& path) {
    TrustRequest request{};
    PrepareTrustRequest(path, request);
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG status = WinVerifyTrust(nullptr, &action, &request.data);
    request.data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(nullptr, &action, &request.data);
    return status;
}

}  // namespace tsc
