// Reads what the library appended to its wrapper log during a test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tsctest {

class LogWatcher {
public:
    LogWatcher();
    // The raw lines appended since construction, each without its CR LF.
    std::vector<std::string> NewLines() const;
    // The appended lines with their "[time stamp] " removed (separator lines stay as they are).
    std::vector<std::string> NewMessages() const;
    // The raw bytes appended since construction.
    std::string NewBytes() const;

private:
    std::uint64_t start_;
};

// Removes a leading "[...] " time stamp.
std::string WithoutTimestamp(const std::string& line);

extern const char kSeparatorLine[];

}  // namespace tsctest
