#include "cert_store.h"

#include "failure.h"

namespace trustroot {

CertStore CertStore::OpenMachineRoot() {
    HCERTSTORE store =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    if (store == nullptr) {
        Fail("opening the local machine's Root store");
    }
    return CertStore(store);
}

CertStore::~CertStore() {
    if (store_ != nullptr) {
        CertCloseStore(store_, 0);
    }
}

void CertStore::Add(const Certificate& certificate) {
    const CERT_CONTEXT& context = *certificate.Get();
    if (!CertAddEncodedCertificateToStore(store_, context.dwCertEncodingType, context.pbCertEncoded,
                                          context.cbCertEncoded, CERT_STORE_ADD_REPLACE_EXISTING,
                                          nullptr)) {
        Fail("adding the certificate to the Root store");
    }
}

Certificate CertStore::Find(const Certificate& certificate) const {
    return Certificate(CertFindCertificateInStore(store_, certificate.Get()->dwCertEncodingType, 0,
                                                  CERT_FIND_EXISTING, certificate.Get(), nullptr));
}

void CertStore::Delete(Certificate copy) {
    // CertDeleteCertificateFromStore frees the context whether it succeeds or not.
    if (!CertDeleteCertificateFromStore(copy.Release())) {
        Fail("deleting the certificate from the Root store");
    }
}

}  // namespace trustroot
