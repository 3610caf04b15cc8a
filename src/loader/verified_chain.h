// The certificates of a signer's chain as the trust check built and verified it.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <cstddef>
#include <vector>

#include "loader/crypt_handles.h"

namespace tsc {

class VerifiedChain {
  public:
    // Keeps its own reference to the certificate.
    void Add(PCCERT_CONTEXT certificate);

    // True when a certificate of the chain has the same subject name and public key.
    bool Contains(PCCERT_CONTEXT certificate) const;

    std::size_t size() const noexcept { return certificates_.size(); }

  private:
    std::vector<UniqueCertContext> certificates_;
};

}  // namespace tsc
