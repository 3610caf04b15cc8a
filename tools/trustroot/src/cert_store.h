// Owns an open certificate store.
#pragma once

#include "certificate.h"

#include <windows.h>
#include <wincrypt.h>

#include <utility>

namespace trustroot {

class CertStore {
  public:
    // The local machine's "Root" store: the roots every user and service of the machine trusts.
    static CertStore OpenMachineRoot();

    CertStore(CertStore&& other) noexcept : store_(std::exchange(other.store_, nullptr)) {}
    CertStore& operator=(CertStore&&) = delete;
    CertStore(const CertStore&) = delete;
    CertStore& operator=(const CertStore&) = delete;
    ~CertStore();

    // Adds the certificate, replacing an identical one already there.
    void Add(const Certificate& certificate);
    // The store's copy of the certificate, or an empty Certificate when the store lacks it.
    Certificate Find(const Certificate& certificate) const;
    // Deletes the store's copy (found with Find).
    void Delete(Certificate copy);

  private:
    explicit CertStore(HCERTSTORE store) : store_(store) {}

    HCERTSTORE store_;
};

}  // namespace trustroot
