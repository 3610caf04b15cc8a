// The certificates of a signer's chain as the trust check built and verified it.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/win_handles.h"

namespace tsc {

class VerifiedChain {
  public:
    // Keeps its own reference to the certificate.
    void Add(PCCERT_CONTEXT certificate);

    // True when a certificate of the chain has the same subject name and public key.
    bool Contains(PCCERT_CONTEXT certificate) const;

    std::size_t size() const noexcept { return certificates_.size(); }
    // Signer first, as the trust check built the chain.
    const std::vector<UniqueCertContext>& certificates() const noexcept { return certificates_; }

    // WinVerifyTrust's answer for the file; 0 when the signature is trusted.
    void SetTrustStatus(std::int32_t status) noexcept { trustStatus_ = status; }
    std::int32_t trustStatus() const noexcept { return trustStatus_; }

  private:
    std::vector<UniqueCertContext> certificates_;
    std::int32_t trustStatus_ = 0;
};

}  // namespace tsc
