#include "log_redirect.h"

#include <windows.h>

#include <filesystem>
#include <system_error>

#include "location/environment_variable.h"
#include "wrapper/wrapper_log.h"

namespace tscdiag {
namespace {

constexpr wchar_t kVariable[] = L"LOCALAPPDATA";

}  // namespace

LogRedirect::LogRedirect() : saved_(tsc::ReadEnvironmentVariable(kVariable)) {
    std::error_code error;
    folder_ = std::filesystem::temp_directory_path(error) /
              ("tscdiag-" + std::to_string(GetCurrentProcessId()));
    active_ = !error && SetEnvironmentVariableW(kVariable, folder_.c_str()) != 0;
    // The library never creates the log's folders; these are the tool's own.
    if (active_) {
        std::filesystem::create_directories(
            std::filesystem::path(tsc::WrapperLogPath()).parent_path(), error);
    }
}

LogRedirect::~LogRedirect() { End(); }

void LogRedirect::End() {
    if (!active_) return;
    SetEnvironmentVariableW(kVariable, saved_ ? saved_->c_str() : nullptr);
    std::error_code error;
    std::filesystem::remove_all(folder_, error);
    active_ = false;
}

}  // namespace tscdiag
