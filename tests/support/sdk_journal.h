// The calls the stand-in SDK received while this object was alive.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/paths.h"
#include "support/scoped_environment.h"
#include "support/scoped_files.h"

namespace tsctest {

class SdkJournal {
  public:
    SdkJournal() : variable_(L"QUILSDK_STANDIN_JOURNAL", path_) {}
    ~SdkJournal() { DeleteFileW(path_.c_str()); }
    SdkJournal(const SdkJournal&) = delete;
    SdkJournal& operator=(const SdkJournal&) = delete;

    // One line per call: "<Export>\t<argument>...\t=> <result>".
    std::vector<std::string> Calls() const {
        const std::string text = ReadFileBytes(path_).value_or("");
        std::vector<std::string> lines;
        size_t begin = 0;
        for (size_t end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1) {
            std::string line = text.substr(begin, end - begin);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }
    // Only the export names, in call order.
    std::vector<std::string> Exports() const {
        std::vector<std::string> names;
        for (const std::string& call : Calls()) names.push_back(call.substr(0, call.find('\t')));
        return names;
    }
    // The session id the SDK handed out, as ReleaseMemory got it back; empty without one.
    std::string SessionId() const {
        for (const std::string& call : Calls()) {
            // "ReleaseMemory\t<session id>\t<text pointer>\t=> <result>"
            if (call.rfind("ReleaseMemory\t", 0) == 0)
                return call.substr(14, call.find('\t', 14) - 14);
        }
        return {};
    }

  private:
    static std::wstring NewPath() {
        static int counter = 0;
        return TempRoot() + L"\\sdk-journal-" + std::to_wstring(counter++) + L".txt";
    }
    std::wstring path_ = NewPath();
    ScopedEnvironmentVariable variable_;
};

}  // namespace tsctest
