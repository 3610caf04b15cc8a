// Owners for the certificate store, message and certificate contexts of the signature checks.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include "location/unique_resource.h"

namespace tsc {

struct CertStoreTraits {
    static HCERTSTORE Invalid() noexcept { return nullptr; }
    static void Close(HCERTSTORE store) noexcept { CertCloseStore(store, 0); }
};
using UniqueCertStore = UniqueResource<HCERTSTORE, CertStoreTraits>;

struct CryptMsgTraits {
    static HCRYPTMSG Invalid() noexcept { return nullptr; }
    static void Close(HCRYPTMSG message) noexcept { CryptMsgClose(message); }
};
using UniqueCryptMsg = UniqueResource<HCRYPTMSG, CryptMsgTraits>;

struct CertContextTraits {
    static PCCERT_CONTEXT Invalid() noexcept { return nullptr; }
    static void Close(PCCERT_CONTEXT context) noexcept { CertFreeCertificateContext(context); }
};
using UniqueCertContext = UniqueResource<PCCERT_CONTEXT, CertContextTraits>;

}  // namespace tsc
