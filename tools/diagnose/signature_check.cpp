// Step 5: whether the library accepts the SDK file: a trusted signature whose verified chain
// holds a certificate naming the maker, and a file it can hold unchanged until it is loaded.
#include <windows.h>
#include <wincrypt.h>

#include "checks.h"
#include "facts.h"
#include "location/system_error_text.h"
#include "location/win_handles.h"
#include "trust_check.h"

namespace tscdiag {
namespace {

constexpr wchar_t kPublisher[] = L"Tesmora, Inc";
constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

std::wstring NameText(PCCERT_CONTEXT certificate, DWORD format) {
    CERT_NAME_BLOB* subject = &certificate->pCertInfo->Subject;
    const DWORD length = CertNameToStrW(X509_ASN_ENCODING, subject, format, nullptr, 0);
    if (length <= 1) return {};
    std::wstring text(length, L'\0');
    CertNameToStrW(X509_ASN_ENCODING, subject, format, text.data(), length);
    text.resize(length - 1);
    return text;
}

std::wstring Lowered(std::wstring text) {
    if (!text.empty()) CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// The platform's subject search: a case-insensitive substring of the simple name string.
bool NamesPublisher(PCCERT_CONTEXT certificate) {
    return Lowered(NameText(certificate, CERT_SIMPLE_NAME_STR)).find(Lowered(kPublisher)) !=
           std::wstring::npos;
}

// The certificates the signature itself carries; the library looks for the publisher there.
tsc::UniqueCertStore SignatureStore(const std::wstring& path) {
    DWORD encoding = 0;
    DWORD contentType = 0;
    DWORD formatType = 0;
    tsc::UniqueCryptMsg message;
    tsc::UniqueCertStore store;
    CryptQueryObject(CERT_QUERY_OBJECT_FILE, path.c_str(),
                     CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED, CERT_QUERY_FORMAT_FLAG_BINARY, 0,
                     &encoding, &contentType, &formatType, store.put(), message.put(), nullptr);
    return store;
}

// Subject and key identify a certificate across copies: the chain may hold the copy from a
// system store while the signature carries its own.
bool Carries(HCERTSTORE store, PCCERT_CONTEXT certificate) {
    if (store == nullptr) return false;
    tsc::UniqueCertContext candidate;
    for (;;) {
        const PCCERT_CONTEXT next =
            CertFindCertificateInStore(store, kEncoding, 0, CERT_FIND_SUBJECT_NAME,
                                       &certificate->pCertInfo->Subject, candidate.release());
        if (next == nullptr) return false;
        candidate.reset(next);
        if (CertComparePublicKeyInfo(kEncoding, &next->pCertInfo->SubjectPublicKeyInfo,
                                     &certificate->pCertInfo->SubjectPublicKeyInfo)) {
            return true;
        }
    }
}

struct ChainReport {
    Array entries;
    bool publisherFound = false;
};

ChainReport DescribeChain(const TrustVerdict& verdict, HCERTSTORE store) {
    ChainReport report;
    for (const tsc::UniqueCertContext& certificate : verdict.chain) {
        const bool names = NamesPublisher(certificate.get());
        const bool carried = Carries(store, certificate.get());
        report.publisherFound = report.publisherFound || (names && carried);
        report.entries.push_back(
            Object{{"subject", "Subject", NameText(certificate.get(), CERT_X500_NAME_STR)},
                   {"namesPublisher", "Names Tesmora, Inc", names},
                   {"carriedInSignature", "Carried in the signature", carried}});
    }
    return report;
}

// The library opens the file sharing only reading, from before its checks until it is loaded.
DWORD HoldError(const std::wstring& path) {
    const tsc::UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                                 nullptr));
    return file ? 0 : GetLastError();
}

// "-2146762496 (0x800B0100, "No signature was present in the subject.")".
std::string StatusDescription(std::int32_t status) {
    const auto code = static_cast<std::uint32_t>(status);
    return std::to_string(status) + " (" + Hex32(code) + ", \"" + SystemErrorText(code) + "\")";
}

void Judge(std::int32_t status, bool publisherFound, DWORD holdError, Step& step) {
    if (status != 0) {
        Fail(step, "the signature is not trusted, WinVerifyTrust status " +
                       StatusDescription(status) + ": the library does not load the SDK.");
    } else if (!publisherFound) {
        Fail(step,
             "no certificate of the verified chain names Tesmora, Inc: the SDK file comes "
             "from another publisher. The library does not load it.");
    } else if (holdError != 0) {
        Fail(step,
             "the file cannot be held unchanged until it is loaded (another program has it "
             "open for writing): error " +
                 std::to_string(holdError) + " (\"" + SystemErrorText(holdError) + "\").");
    } else {
        Pass(step, "trusted signature from Tesmora, Inc; the library accepts the file.");
    }
}

}  // namespace

void CheckSdkSignature(const Context& context, Step& step) {
    if (context.sdkPath.empty()) {
        Skip(step, "no SDK file to check (see step 3).");
        return;
    }
    step.facts.push_back({"path", "File", context.sdkPath});
    const DWORD holdError = HoldError(context.sdkPath);
    step.facts.push_back({"fileCanBeHeld", "Can be held unchanged", holdError == 0});
    const TrustVerdict verdict = VerifyTrust(context.sdkPath);
    step.facts.push_back({"trustStatus", "WinVerifyTrust status", verdict.status});
    step.facts.push_back({"trustStatusHex", "WinVerifyTrust status (hex)",
                          Hex32(static_cast<std::uint32_t>(verdict.status))});
    step.facts.push_back({"trustStatusText", "WinVerifyTrust says",
                          SystemErrorText(static_cast<std::uint32_t>(verdict.status))});
    const tsc::UniqueCertStore store = SignatureStore(context.sdkPath);
    const ChainReport chain = DescribeChain(verdict, store.get());
    step.facts.push_back({"signer", "Signer",
                          verdict.chain.empty()
                              ? Value()
                              : Value(NameText(verdict.chain.front().get(), CERT_X500_NAME_STR))});
    step.facts.push_back({"chain", "Verified chain (signer first)", chain.entries});
    step.facts.push_back({"publisher", "Expected publisher", std::wstring(kPublisher)});
    step.facts.push_back({"publisherFound", "Publisher found in the chain", chain.publisherFound});
    Judge(verdict.status, chain.publisherFound, holdError, step);
}

}  // namespace tscdiag
