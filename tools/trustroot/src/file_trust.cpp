#include "file_trust.h"

#include "loader/trust_request.h"

namespace trustroot {

LONG VerifyFileTrust(const std::filesystem::path& path) { return tsc::TrustStatus(path.wstring()); }

}  // namespace trustroot
