// Step 5: whether the library accepts the SDK file, as its signature and publisher checks
// answer, with the signer's chain the trust check verified.
#include <windows.h>
#include <wincrypt.h>

#include "checks.h"
#include "facts.h"
#include "loader/publisher.h"
#include "loader/sdk_file_hold.h"
#include "loader/verified_chain.h"
#include "location/system_error_text.h"
#include "wrapper_log_tail.h"

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

void AddChainFacts(const tsc::VerifiedChain& chain, Json& facts) {
    const auto status = static_cast<std::uint32_t>(chain.trustStatus());
    facts["trustStatus"] = chain.trustStatus();
    facts["trustStatusHex"] = Hex32(status);
    facts["trustStatusText"] = SystemErrorText(status);
    Json subjects = Json::array();
    for (const tsc::UniqueCertContext& certificate : chain.certificates()) {
        subjects.push_back({{"subject", Subject(certificate.get())}});
    }
    facts["signer"] = subjects.empty() ? Json(nullptr) : subjects[0]["subject"];
    facts["chain"] = subjects;
}

}  // namespace

void CheckSdkSignature(Context& context, Step& step) {
    const std::wstring path = context.wrapper.SdkPath();
    if (path.empty()) {
        step.Skip("no SDK file to check (see step 3).");
        return;
    }
    const WrapperLogTail log;
    const tsc::SdkFileHold hold(path);
    tsc::VerifiedChain chain;
    const bool accepted = context.wrapper.IsSignatureValid(path, &chain);
    const std::vector<std::string> lines = log.NewLines();
    step.facts["path"] = WideToUtf8(path);
    step.facts["fileCanBeHeld"] = hold.held();
    AddChainFacts(chain, step.facts);
    step.facts["publisher"] = WideToUtf8(tsc::kPublisher);
    step.facts["publisherFound"] = accepted;
    step.facts["logLines"] = lines;
    if (!accepted) {
        step.Fail("the library rejects the file" + LogErrorClause(lines) + ".");
    } else if (!hold.held()) {
        step.Fail(
            "the file cannot be held unchanged until it is loaded (another program has it "
            "open for writing): " +
            SystemErrorText(hold.error()));
    } else {
        step.Pass("trusted signature from " + WideToUtf8(tsc::kPublisher) +
                  "; the library accepts the file.");
    }
}

}  // namespace tscdiag
