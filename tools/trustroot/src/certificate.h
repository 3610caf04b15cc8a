// Owns one certificate context.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <string>
#include <utility>
#include <vector>

namespace trustroot {

class Certificate {
  public:
    // Decodes a DER certificate; throws a Failure when it is not one.
    static Certificate FromDer(const std::vector<unsigned char>& der);

    // Takes ownership of context, which may be null.
    explicit Certificate(PCCERT_CONTEXT context) : context_(context) {}
    Certificate(Certificate&& other) noexcept : context_(std::exchange(other.context_, nullptr)) {}
    Certificate& operator=(Certificate&& other) noexcept;
    Certificate(const Certificate&) = delete;
    Certificate& operator=(const Certificate&) = delete;
    ~Certificate();

    PCCERT_CONTEXT Get() const { return context_; }
    // Gives up ownership, for calls that free the context themselves.
    PCCERT_CONTEXT Release() { return std::exchange(context_, nullptr); }

    // The SHA-1 thumbprint as upper-case hex: the name of the certificate's registry key in a
    // system store.
    std::wstring Thumbprint() const;

  private:
    PCCERT_CONTEXT context_;
};

}  // namespace trustroot
