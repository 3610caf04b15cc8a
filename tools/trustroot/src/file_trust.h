// Whether Windows trusts a signed file's Authenticode signature, as a customer's machine checks a
// shipped DLL or program.
#pragma once

#include <windows.h>

#include <filesystem>

namespace trustroot {

// WinVerifyTrust's answer for the file (no UI, no revocation check): 0 when the signature is
// trusted, otherwise its status (TRUST_E_NOSIGNATURE, CERT_E_UNTRUSTEDROOT, ...).
LONG VerifyFileTrust(const std::filesystem::path& path);

}  // namespace trustroot
