// The lines a session attempt appends to the wrapper log. Other processes may append to the same
// log meanwhile; their lines then show up too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tscdiag {

// %LOCALAPPDATA%\Tesmora\QUIL\QUIL_APIWrapper.log, as the library computes it.
std::wstring WrapperLogPath();

class WrapperLogTail {
  public:
    // Remembers where the log ends now.
    WrapperLogTail();
    // The whole lines appended since, without their line ends.
    std::vector<std::string> NewLines() const;

  private:
    std::uint64_t start_ = 0;
};

}  // namespace tscdiag
