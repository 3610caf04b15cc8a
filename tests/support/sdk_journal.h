// The calls the stand-in SDK received while this object was alive.
#pragma once

#include <optional>
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
    // The folder argument (UTF-8, as received) of every call of "LockDirectory" or
    // "UnLockDirectory", in call order.
    std::vector<std::string> FoldersPassedTo(const std::string& exportName) const;
    // The session id the SDK handed out, as ReleaseMemory got it back; empty without one.
    std::string SessionId() const;

  private:
    std::wstring path_;
    ScopedEnvironmentVariable variable_;
};

// A fail-on-demand setting of the stand-in SDK for one scope: "SETTING=value" sets
// QUILSDK_STANDIN_SETTING; null sets nothing.
class StandinSetting {
  public:
    explicit StandinSetting(const wchar_t* setting);

  private:
    std::optional<ScopedEnvironmentVariable> variable_;
};

}  // namespace tsctest
