// Reads a certificate file into memory.
#pragma once

#include <filesystem>
#include <vector>

namespace trustroot {

// The whole content of the file at path; throws a Failure when it cannot be read or is empty.
std::vector<unsigned char> ReadDerFile(const std::filesystem::path& path);

}  // namespace trustroot
