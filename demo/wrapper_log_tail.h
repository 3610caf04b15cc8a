// The lines the wrapper log gained since this object was made.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace demo {

class WrapperLogTail {
  public:
    WrapperLogTail();

    const std::wstring& Path() const { return path_; }
    // The added lines as UTF-8, without their line ends.
    std::vector<std::string> NewLines() const;

  private:
    std::wstring path_;
    std::uint64_t startSize_ = 0;
};

}  // namespace demo
