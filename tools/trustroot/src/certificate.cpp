#include "certificate.h"

#include "failure.h"

namespace trustroot {

Certificate Certificate::FromDer(const std::vector<unsigned char>& der) {
    PCCERT_CONTEXT context = CertCreateCertificateContext(
        X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    if (context == nullptr) {
        Fail("decoding the DER certificate");
    }
    return Certificate(context);
}

Certificate& Certificate::operator=(Certificate&& other) noexcept {
    if (this != &other) {
        if (context_ != nullptr) {
            CertFreeCertificateContext(context_);
        }
        context_ = std::exchange(other.context_, nullptr);
    }
    return *this;
}

Certificate::~Certificate() {
    if (context_ != nullptr) {
        CertFreeCertificateContext(context_);
    }
}

std::wstring Certificate::Thumbprint() const {
    BYTE hash[20];
    DWORD size = sizeof hash;
    if (!CertGetCertificateContextProperty(context_, CERT_SHA1_HASH_PROP_ID, hash, &size)) {
        Fail("computing the certificate's SHA-1 thumbprint");
    }
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring text;
    for (DWORD i = 0; i < size; ++i) {
        text += kDigits[hash[i] >> 4];
        text += kDigits[hash[i] & 0x0F];
    }
    return text;
}

}  // namespace trustroot
