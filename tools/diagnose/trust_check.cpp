#include "trust_check.h"

#include <wintrust.h>
#include <softpub.h>

namespace tscdiag {
namespace {

// The chain is read from the state the verify call leaves behind, before the release call.
void CollectSignerChain(HANDLE state, TrustVerdict& verdict) {
    if (state == nullptr) return;
    CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(state);
    if (provider == nullptr) return;
    CRYPT_PROVIDER_SGNR* signer = WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0);
    if (signer == nullptr) return;
    for (DWORD i = 0; i < signer->csCertChain; ++i) {
        const PCCERT_CONTEXT certificate = signer->pasCertChain[i].pCert;
        if (certificate == nullptr) continue;
        tsc::UniqueCertContext copy(CertDuplicateCertificateContext(certificate));
        if (copy) verdict.chain.push_back(std::move(copy));
    }
}

}  // namespace

TrustVerdict VerifyTrust(const std::wstring& path) {
    WINTRUST_FILE_INFO file = {};
    file.cbStruct = sizeof(file);
    file.pcwszFilePath = path.c_str();
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    TrustVerdict verdict;
    verdict.status = static_cast<std::int32_t>(WinVerifyTrust(nullptr, &action, &data));
    CollectSignerChain(data.hWVTStateData, verdict);
    // Frees the platform's state of the verify call, whatever it answered.
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(nullptr, &action, &data);
    return verdict;
}

}  // namespace tscdiag
