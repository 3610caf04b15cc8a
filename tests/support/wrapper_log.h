// Reads what the library appended to its wrapper log during a test.
#pragma once

#include <cstdint>

#include "support/scoped_files.h"

namespace tsctest {

inline constexpr char kSeparatorLine[] =
    "=======================================================================";

class LogWatcher {
  public:
    LogWatcher() : start_(ReadFileBytes(WrapperLogPath()).value_or("").size()) {}
    // The raw bytes appended since construction.
    std::string NewBytes() const {
        const std::string bytes = ReadFileBytes(WrapperLogPath()).value_or("");
        return bytes.size() < start_ ? std::string() : bytes.substr(start_);
    }
    // The raw lines appended since construction, each without its CR LF.
    std::vector<std::string> NewLines() const { return SplitLines(NewBytes(), "\r\n"); }
    // The appended lines with a leading "[time stamp] " removed (separator lines stay as they are).
    std::vector<std::string> NewMessages() const {
        std::vector<std::string> messages = NewLines();
        for (std::string& line : messages) {
            const std::size_t close = line.find("] ");
            if (line.starts_with('[') && close != std::string::npos) line.erase(0, close + 2);
        }
        return messages;
    }

  private:
    std::uint64_t start_;
};

}  // namespace tsctest
