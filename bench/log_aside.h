// Keeps a run's many log lines out of the wrapper log: the log is moved aside for the run and
// put back afterwards, so the run leaves it as it found it.
#pragma once

#include <string>

namespace bench {

class WrapperLogAside {
  public:
    WrapperLogAside();
    ~WrapperLogAside();
    WrapperLogAside(const WrapperLogAside&) = delete;
    WrapperLogAside& operator=(const WrapperLogAside&) = delete;

    // The wrapper log the library writes to during the run.
    const std::wstring& path() const { return path_; }

  private:
    std::wstring path_;
    std::wstring aside_;
    bool moved_ = false;
};

}  // namespace bench
