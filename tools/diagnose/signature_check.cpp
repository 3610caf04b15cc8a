// Step 5: whether the library accepts the SDK file, as its signature and publisher checks
// answer, with the signer's chain the trust check verified.
#include <windows.h>
#include <wincrypt.h>

#include "checks.h"
#include "common/win_handles.h"
#include "loader/publisher.h"
#include "loader/sdk_file_hold.h"
#include "loader/verified_chain.h"
#include "common/system_error_text.h"

namespace tscdiag {
namespace {

std::string Subject(PCCERT_CONTEXT certificate) {
    CERT_NAME_BLOB* subject = &certificate->pCertInfo->Subject;
    const DWORD length = CertNameToStrW(X509_ASN_ENCODING, subject, CERT_X500_NAME_STR, nullptr, 0);
    std::wstring text(length, L'\0');
    CertNameToStrW(X509_ASN_ENCODING, subject, CERT_X500_NAME_STR, text.data(), length);
    text.resize(length > 0 ? length - 1 : 0);
    return WideToUtf8(text);
}

// The certificates the signature itself carries; null when it has none.
tsc::UniqueCertStore SignatureStore(const std::wstring& path) {
    tsc::UniqueCertStore store;
    CryptQueryObject(CERT_QUERY_OBJECT_FILE, path.c_str(),
                     CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED, CERT_QUERY_FORMAT_FLAG_BINARY, 0,
                     nullptr, nullptr, nullptr, store.put(), nullptr, nullptr);
    return store;
}

// The library's publisher search, run on a store that holds this certificate alone.
bool NamesPublisher(PCCERT_CONTEXT certificate) {
    const tsc::UniqueCertStore alone(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
    if (!alone || !CertAddCertificateContextToStore(alone.get(), certificate, CERT_STORE_ADD_ALWAYS,
                                                    nullptr)) {
        return false;
    }
    const tsc::UniqueCertContext found(tsc::NextPublisherCertificate(
        alone.get(), certificate->dwCertEncodingType, tsc::kPublisher, nullptr));
    return static_cast<bool>(found);
}

// A certificate of the signature is the same one in the library's terms.
bool CarriedIn(HCERTSTORE store, PCCERT_CONTEXT certificate) {
    tsc::VerifiedChain alone;
    alone.Add(certificate);
    tsc::UniqueCertContext next;
    while (store != nullptr) {
        // The enumeration releases the certificate handed back to it.
        next.reset(CertEnumCertificatesInStore(store, next.release()));
        if (!next || alone.Contains(next.get())) return static_cast<bool>(next);
    }
    return false;
}

void AddChainFacts(const tsc::VerifiedChain& chain, const std::wstring& path, Json& facts) {
    const auto status = static_cast<std::uint32_t>(chain.trustStatus());
    facts["trustStatus"] = chain.trustStatus();
    facts["trustStatusHex"] = Hex32(status);
    facts["trustStatusText"] = SystemErrorText(status);
    const tsc::UniqueCertStore carried = SignatureStore(path);
    Json entries = Json::array();
    for (const tsc::UniqueCertContext& certificate : chain.certificates()) {
        entries.push_back({{"subject", Subject(certificate.get())},
                           {"namesPublisher", NamesPublisher(certificate.get())},
                           {"carriedInSignature", CarriedIn(carried.get(), certificate.get())}});
    }
    facts["signer"] = entries.empty() ? Json(nullptr) : entries[0]["subject"];
    facts["chain"] = entries;
}

}  // namespace

void CheckSdkSignature(Context& context, Step& step) {
    const std::wstring path = context.wrapper.SdkPath();
    if (path.empty()) return step.Skip("no SDK file to check (see step 3).");
    const tsc::SdkFileHold hold(path);
    tsc::VerifiedChain chain;
    const bool accepted = context.wrapper.IsSignatureValid(path, &chain);
    step.facts["path"] = WideToUtf8(path);
    step.facts["fileCanBeHeld"] = hold.held();
    AddChainFacts(chain, path, step.facts);
    step.facts["publisher"] = WideToUtf8(tsc::kPublisher);
    step.facts["publisherFound"] = accepted;
    if (!accepted) {
        return step.Fail("the library rejects the file" + LogErrorClause(context.LogLines()) + ".");
    }
    if (!hold.held()) {
        return step.Fail(
            "the file cannot be held unchanged until it is loaded (another program "
            "has it open for writing): " +
            SystemErrorText(hold.error()));
    }
    step.Pass("trusted signature from " + WideToUtf8(tsc::kPublisher) +
              "; the library accepts the file.");
}

}  // namespace tscdiag
