// The maker whose certificate the SDK file's signature must carry, and how a certificate is
// found to name it.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <string>

namespace tsc {

// Found in a certificate's subject as a part of it, whatever the letter case.
inline constexpr wchar_t kPublisher[] = L"Tesmora, Inc";

// The next certificate of `store` after `previous` (null: from the first) whose subject names
// `publisher`; null when there is none, with the reason in GetLastError. `previous` is released,
// also when the search fails.
PCCERT_CONTEXT NextPublisherCertificate(HCERTSTORE store, DWORD encoding,
                                        const std::wstring& publisher, PCCERT_CONTEXT previous);

}  // namespace tsc
