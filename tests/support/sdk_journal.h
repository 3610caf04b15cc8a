// The calls the stand-in SDK received while this object was alive.
#pragma once

#include <string>
#include <vector>

#include "support/scoped_environment.h"

namespace tsctest {

class SdkJournal {
  public:
    SdkJournal();
    ~SdkJournal();
    SdkJournal(const SdkJournal&) = delete;
    SdkJournal& operator=(const SdkJournal&) = delete;

    // One line per call: "<Export>\t<argument>...\t=> <result>".
    std::vector<std::string> Calls() const;
    // Only the export names, in call order.
    std::vector<std::string> Exports() const;
    // The session id the SDK handed out, as ReleaseMemory got it back; empty without one.
    std::string SessionId() const;

  private:
    std::wstring path_;
    ScopedEnvironmentVariable variable_;
};

}  // namespace tsctest
