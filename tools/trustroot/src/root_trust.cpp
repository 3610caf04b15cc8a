#include "root_trust.h"

#include "cert_store.h"
#include "certificate.h"
#include "der_file.h"
#include "failure.h"

#include <windows.h>

#include <string>

namespace trustroot {
namespace {

// Where the local machine's Root store keeps each certificate, under its thumbprint.
constexpr wchar_t kRootCertificatesKey[] =
    L"Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\";

bool MachineRootHolds(const Certificate& certificate) {
    return CertStore::OpenMachineRoot().Find(certificate).Get() != nullptr;
}

// Under Wine, CertDeleteCertificateFromStore answers success yet the certificate stays trusted:
// the store's registry key survives. Deleting the key is what takes the trust away; on Windows
// the key is already gone by then.
void DeleteRegistryCopy(const Certificate& certificate) {
    const std::wstring key = kRootCertificatesKey + certificate.Thumbprint();
    const LSTATUS status = RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
        Fail("deleting the registry key of the certificate", static_cast<DWORD>(status));
    }
}

}  // namespace

void AddRoot(const std::filesystem::path& path) {
    const Certificate certificate = Certificate::FromDer(ReadDerFile(path));
    CertStore::OpenMachineRoot().Add(certificate);
    if (!MachineRootHolds(certificate)) {
        throw Failure("the Root store does not hold the certificate after adding it");
    }
}

void RemoveRoot(const std::filesystem::path& path) {
    const Certificate certificate = Certificate::FromDer(ReadDerFile(path));
    {
        CertStore store = CertStore::OpenMachineRoot();
        Certificate copy = store.Find(certificate);
        if (copy.Get() != nullptr) {
            store.Delete(std::move(copy));
        }
    }  // closed before its registry key goes, so the store cannot write the key back
    DeleteRegistryCopy(certificate);
    if (MachineRootHolds(certificate)) {
        throw Failure("the Root store still holds the certificate after removing it");
    }
}

}  // namespace trustroot
