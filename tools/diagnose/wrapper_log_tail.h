// The lines appended to the wrapper log while a step runs. Other processes may append to the
// same log meanwhile; their lines then show up too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tscdiag {

class WrapperLogTail {
  public:
    // Remembers where the log named by the current environment ends now.
    WrapperLogTail();
    const std::wstring& path() const { return path_; }
    // The whole lines appended since, without their line ends.
    std::vector<std::string> NewLines() const;

  private:
    std::wstring path_;
    std::uint64_t start_ = 0;
};

}  // namespace tscdiag
