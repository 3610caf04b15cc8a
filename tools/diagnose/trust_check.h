// The platform's Authenticode verdict on a file, with the signer's chain as it was verified.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <cstdint>
#include <string>
#include <vector>

#include "loader/crypt_handles.h"

namespace tscdiag {

struct TrustVerdict {
    std::int32_t status = 0;  // WinVerifyTrust's result; 0 when the signature is trusted
    // The first signer's chain, leaf first; empty when the platform built none.
    std::vector<tsc::UniqueCertContext> chain;
};

// The same request the library makes: the file by path, no user interface, no revocation check.
TrustVerdict VerifyTrust(const std::wstring& path);

}  // namespace tscdiag
