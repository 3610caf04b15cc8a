// The calls the stand-in SDK received while this object was alive.
#pragma once

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
        return SplitLines(ReadFileBytes(path_).value_or(""), "\n");
    }
    // Only the export names, in call order.
    std::vector<std::string> Exports() const {
        std::vector<std::string> names = Calls();
        for (std::string& call : names) call = call.substr(0, call.find('\t'));
        return names;
    }
    // The session id the SDK handed out, as ReleaseMemory got it back; empty without one.
    std::string SessionId() const {
        // "ReleaseMemory\t<session id>\t<text pointer>\t=> <result>"
        for (const std::string& call : Calls())
            if (call.starts_with("ReleaseMemory\t"))
                return call.substr(14, call.find('\t', 14) - 14);
        return {};
    }

  private:
    static inline int count_ = 0;
    std::wstring path_ = TempRoot() + L"\\sdk-journal-" + std::to_wstring(count_++) + L".txt";
    ScopedEnvironmentVariable variable_;
};

}  // namespace tsctest
