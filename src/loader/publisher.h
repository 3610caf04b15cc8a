// The maker whose certificate the SDK file's signature must carry.
#pragma once

namespace tsc {

// Found in a certificate's subject as a part of it, whatever the letter case.
inline constexpr wchar_t kPublisher[] = L"Tesmora, Inc";

}  // namespace tsc
