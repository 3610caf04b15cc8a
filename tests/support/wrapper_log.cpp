#include "support/wrapper_log.h"

#include "support/paths.h"
#include "support/scoped_files.h"

namespace tsctest {

const char kSeparatorLine[] =
    "=======================================================================";

LogWatcher::LogWatcher() {
    const auto bytes = ReadFileBytes(WrapperLogPath());
    start_ = bytes ? bytes->size() : 0;
}

std::string LogWatcher::NewBytes() const {
    const auto bytes = ReadFileBytes(WrapperLogPath());
    if (!bytes || bytes->size() < start_) return {};
    return bytes->substr(start_);
}

std::vector<std::string> LogWatcher::NewLines() const {
    const std::string text = NewBytes();
    std::vector<std::string> lines;
    size_t begin = 0;
    for (size_t end; (end = text.find("\r\n", begin)) != std::string::npos; begin = end + 2) {
        lines.push_back(text.substr(begin, end - begin));
    }
    if (begin < text.size()) lines.push_back(text.substr(begin));  // an unterminated tail
    return lines;
}

std::vector<std::string> LogWatcher::NewMessages() const {
    std::vector<std::string> messages;
    for (const std::string& line : NewLines()) messages.push_back(WithoutTimestamp(line));
    return messages;
}

std::string WithoutTimestamp(const std::string& line) {
    if (line.empty() || line[0] != '[') return line;
    const size_t close = line.find("] ");
    return close == std::string::npos ? line : line.substr(close + 2);
}

}  // namespace tsctest
