#include "loader/verified_chain.h"

namespace tsc {
namespace {

// Subject and key identify a certificate across copies: the chain may hold the copy from a
// system store while the signature carries its own.
bool SameSubjectAndKey(PCCERT_CONTEXT left, PCCERT_CONTEXT right) {
    const DWORD encoding = left->dwCertEncodingType;
    return CertCompareCertificateName(encoding, &left->pCertInfo->Subject,
                                      &right->pCertInfo->Subject) &&
           CertComparePublicKeyInfo(encoding, &left->pCertInfo->SubjectPublicKeyInfo,
                                    &right->pCertInfo->SubjectPublicKeyInfo);
}

}  // namespace

void VerifiedChain::Add(PCCERT_CONTEXT certificate) {
    UniqueCertContext copy(CertDuplicateCertificateContext(certificate));
    if (copy) certificates_.push_back(std::move(copy));
}

bool VerifiedChain::Contains(PCCERT_CONTEXT certificate) const {
    for (const UniqueCertContext& member : certificates_) {
        if (SameSubjectAndKey(member.get(), certificate)) return true;
    }
    return false;
}

}  // namespace tsc
