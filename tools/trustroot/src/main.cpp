// trustroot add|remove <root.cer>
// trustroot verify <signed file>
//
// Makes the local machine trust a test root CA, or stop trusting it, so that signatures made
// under that root verify; or checks that the machine trusts a file's signature (it prints
// WinVerifyTrust's status). Exit code 0 on success (a trusted file), 1 when a step failed (an
// untrusted file), 2 for a usage error.
#include "failure.h"
#include "file_trust.h"
#include "root_trust.h"

#include <cstdio>
#include <exception>
#include <string_view>

namespace {

int Usage() {
    std::fputs("usage: trustroot add|remove <root.cer> | verify <signed file>\n", stderr);
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        return Usage();
    }
    const std::wstring_view command = argv[1];
    try {
        if (command == L"add") {
            trustroot::AddRoot(argv[2]);
        } else if (command == L"remove") {
            trustroot::RemoveRoot(argv[2]);
        } else if (command == L"verify") {
            const LONG status = trustroot::VerifyFileTrust(argv[2]);
            std::printf("WinVerifyTrust status: %ld\n", status);
            return status == 0 ? 0 : 1;
        } else {
            return Usage();
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "trustroot: %s\n", error.what());
        return 1;
    }
    return 0;
}
