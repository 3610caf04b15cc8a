// Keeps the checks' wrapper-log lines out of the user's log: while an object lives, this
// process's LOCALAPPDATA names a temporary folder of the tool's own, with the log's folders in it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace tscdiag {

class LogRedirect {
  public:
    LogRedirect();
    // End() if not done yet.
    ~LogRedirect();
    LogRedirect(const LogRedirect&) = delete;
    LogRedirect& operator=(const LogRedirect&) = delete;

    // Puts LOCALAPPDATA back as it was and removes the temporary folder.
    void End();

  private:
    std::filesystem::path folder_;
    std::optional<std::wstring> saved_;
    bool active_ = false;
};

}  // namespace tscdiag
