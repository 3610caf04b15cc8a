// Reads what the library appended to its wrapper log during a test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/paths.h"
#include "support/scoped_files.h"

namespace tsctest {

inline constexpr char kSeparatorLine[] =
    "=======================================================================";

// Removes a leading "[...] " time stamp.
inline std::string WithoutTimestamp(const std::string& line) {
    if (line.empty() || line[0] != '[') return line;
    const size_t close = line.find("] ");
    return close == std::string::npos ? line : line.substr(close + 2);
}

class LogWatcher {
  public:
    LogWatcher() : start_(ReadFileBytes(WrapperLogPath()).value_or("").size()) {}
    // The raw bytes appended since construction.
    std::string NewBytes() const {
        const std::string bytes = ReadFileBytes(WrapperLogPath()).value_or("");
        return bytes.size() < start_ ? std::string() : bytes.substr(start_);
    }
    // The raw lines appended since construction, each without its CR LF.
    std::vector<std::string> NewLines() const {
        const std::string text = NewBytes();
        std::vector<std::string> lines;
        size_t begin = 0;
        for (size_t end; (end = text.find("\r\n", begin)) != std::string::npos; begin = end + 2) {
            lines.push_back(text.substr(begin, end - begin));
        }
        if (begin < text.size()) lines.push_back(text.substr(begin));  // an unterminated tail
        return lines;
    }
    // The appended lines with their "[time stamp] " removed (separator lines stay as they are).
    std::vector<std::string> NewMessages() const {
        std::vector<std::string> messages;
        for (const std::string& line : NewLines()) messages.push_back(WithoutTimestamp(line));
        return messages;
    }

  private:
    std::uint64_t start_;
};

}  // namespace tsctest
