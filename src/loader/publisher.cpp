#include "loader/publisher.h"

namespace tsc {

PCCERT_CONTEXT NextPublisherCertificate(HCERTSTORE store, DWORD encoding,
                                        const std::wstring& publisher, PCCERT_CONTEXT previous) {
    return CertFindCertificateInStore(store, encoding, 0, CERT_FIND_SUBJECT_STR_W,
                                      publisher.c_str(), previous);
}

}  // namespace tsc
