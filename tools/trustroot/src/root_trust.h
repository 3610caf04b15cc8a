// Trusting a root CA on this machine (or Wine prefix), and taking the trust away again.
#pragma once

#include <filesystem>

namespace trustroot {

// Adds the DER certificate at path to the local machine's Root store. Throws a Failure unless the
// store holds it afterwards.
void AddRoot(const std::filesystem::path& path);

// Removes the DER certificate at path from the local machine's Root store; a certificate that is
// not there is fine. Throws a Failure unless the store lacks it afterwards.
void RemoveRoot(const std::filesystem::path& path);

}  // namespace trustroot
