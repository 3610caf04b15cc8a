#include "der_file.h"

#include "failure.h"

#include <fstream>
#include <iterator>

namespace trustroot {

std::vector<unsigned char> ReadDerFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw Failure("cannot open " + path.string());
    }
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)),
                                     std::istreambuf_iterator<char>());
    if (file.bad() || bytes.empty()) {
        throw Failure("cannot read " + path.string());
    }
    return bytes;
}

}  // namespace trustroot
