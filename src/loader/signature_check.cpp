// The SDK file is accepted only with a trusted embedded Authenticode signature whose signer's
// verified chain holds a certificate naming the maker.
#include <windows.h>
#include <wincrypt.h>
#include <wintrust.h>
#include <softpub.h>

#include <cstdint>
#include <string>

#include "common/win_handles.h"
#include "loader/loader_seams.h"
#include "loader/publisher.h"
#include "loader/trust_request.h"
#include "loader/verified_chain.h"
#include "wrapper/quil_api_wrapper_impl.h"

namespace {

// The chain of the first signer, read from the state the verify call left behind.
void CollectSignerChain(HANDLE state, tsc::VerifiedChain* chain) {
    CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(state);
    if (provider == nullptr) return;
    CRYPT_PROVIDER_SGNR* signer = WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0);
    if (signer == nullptr) return;
    for (DWORD i = 0; i < signer->csCertChain; ++i) {
        if (signer->pasCertChain[i].pCert != nullptr) chain->Add(signer->pasCertChain[i].pCert);
    }
}

}  // namespace

bool QUILAPIWrapperImpl::IsSignatureValid(const std::wstring& path, tsc::VerifiedChain* verified) {
    tsc::VerifiedChain own;
    tsc::VerifiedChain& chain = verified != nullptr ? *verified : own;
    if (!VerifyCertificate(path, &chain)) {
        WriteLogLine(L"[ERROR] VerifyCertificate failed!");
        return false;
    }
    return VerifyPublisher(path, tsc::kPublisher, chain);
}

bool QUILAPIWrapperImpl::VerifyCertificate(const std::wstring& path, tsc::VerifiedChain* chain) {
    tsc::TrustRequest request{};
    tsc::PrepareTrustRequest(path, request);
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG status = WinVerifyTrust(nullptr, &action, &request.data);
    chain->SetTrustStatus(static_cast<std::int32_t>(status));
    if (status != 0) {
        WriteLogLine(L"[ERROR] WinVerifyTrust returned status: " +
                     std::to_wstring(static_cast<std::int32_t>(status)));
    } else {
        CollectSignerChain(request.data.hWVTStateData, chain);
    }
    // The release call frees the state of the verify call, whatever it answered.
    request.data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(nullptr, &action, &request.data);
    return status == 0;
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the path, then the text it must carry
bool QUILAPIWrapperImpl::VerifyPublisher(const std::wstring& path, const std::wstring& publisher,
                                         const tsc::VerifiedChain& chain) {
    DWORD encoding = 0;
    DWORD contentType = 0;
    DWORD formatType = 0;
    // Declared before the store so that the store is closed first, then the message.
    tsc::UniqueCryptMsg message;
    tsc::UniqueCertStore store;
    if (!tsc::seams::queryEmbeddedSignature(
            CERT_QUERY_OBJECT_FILE, path.c_str(), CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED,
            CERT_QUERY_FORMAT_FLAG_BINARY, 0, &encoding, &contentType, &formatType, store.put(),
            message.put(), nullptr)) {
        WriteLogLine(L"[ERROR] CryptQueryObject returned false!");
        return false;
    }
    // Every certificate of the signature whose subject contains the text is a candidate; only
    // one that belongs to the verified chain counts. A certificate merely added to the
    // signature's bag proves nothing about who signed.
    tsc::UniqueCertContext match;
    DWORD code = 0;
    for (;;) {
        const PCCERT_CONTEXT next =
            tsc::NextPublisherCertificate(store.get(), encoding, publisher, match.release());
        if (next == nullptr) {
            code = GetLastError();
            break;
        }
        match.reset(next);
        if (chain.Contains(match.get())) return true;
    }
    WriteLogLine(L"[ERROR] CertFindCertificateInStore returned ERROR: " + std::to_wstring(code));
    return false;
}
