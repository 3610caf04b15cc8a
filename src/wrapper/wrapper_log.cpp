// The wrapper log: a separator at every session attempt, then one time-stamped line per event.
#include <windows.h>

#include <ctime>
#include <utility>

#include "location/text_conversion.h"
#include "wrapper/log_file_appender.h"
#include "wrapper/quil_api_wrapper_impl.h"
#include "wrapper/wrapper_log.h"
#include "wrapper/wrapper_seams.h"

namespace {

constexpr wchar_t kLogFolderVariable[] = L"%LOCALAPPDATA%";
constexpr wchar_t kLogFileSuffix[] = L"\\Tesmora\\QUIL\\QUIL_APIWrapper.log";
constexpr char kSeparatorLine[] =
    "=======================================================================\n";
constexpr char kInfoPrefix[] = "[INFO] QUILAPIWrapperImpl::";
constexpr char kErrorPrefix[] = "[ERROR] QUILAPIWrapperImpl::";

// Local time as 2025-03-07T09:05:02; empty when the local time cannot be determined.
std::string TimeStamp() {
    const __time64_t now = _time64(nullptr);
    struct tm local = {};
    if (tsc::seams::localTime(&local, &now) != 0) return {};
    char buffer[512] = {};
    // 0 when the text does not fit, and the buffer's content is then undefined.
    const std::size_t length = std::strftime(buffer, sizeof(buffer), "%Y-%m-%dT%H:%M:%S", &local);
    return std::string(buffer, length);
}

}  // namespace

std::wstring tsc::WrapperLogPath() {
    wchar_t folder[MAX_PATH] = {};
    const DWORD needed = tsc::seams::expandLogFolder(kLogFolderVariable, folder, MAX_PATH);
    // A result above the buffer size means the text did not fit: that is a failed expansion
    // too, never a truncated path.
    if (needed == 0 || needed > MAX_PATH) return {};
    return std::wstring(folder) + kLogFileSuffix;
}

void QUILAPIWrapperImpl::StartLogFile() {
    std::wstring path = chosenLogFile.empty() ? tsc::WrapperLogPath() : chosenLogFile;
    if (path.empty()) return;
    logFilePath = std::move(path);
    tsc::AppendToLogFile(logFilePath, kSeparatorLine);
}

// NOLINTNEXTLINE(performance-unnecessary-value-param): the path is this call's own copy
void QUILAPIWrapperImpl::UseLogFile(std::wstring path) {
    chosenLogFile = path;
    logFilePath = std::move(path);
}

// Messages are handed over by value: each writer owns its copy of the text.
// NOLINTNEXTLINE(performance-unnecessary-value-param): the message is this call's own copy
void QUILAPIWrapperImpl::WriteLogLine(std::wstring message) {
    WriteLogLineUtf8(WideToUtf8(message));
}

void QUILAPIWrapperImpl::WriteLogLineUtf8(const std::string& message) {
    if (logFilePath.empty()) StartLogFile();
    tsc::AppendToLogFile(logFilePath, "[" + TimeStamp() + "] " + message + "\n");
}

// Narrow messages are UTF-8 already and are written byte for byte.
// NOLINTNEXTLINE(performance-unnecessary-value-param): the message is this call's own copy
void QUILAPIWrapperImpl::LogInfo(std::string message) { WriteLogLineUtf8(kInfoPrefix + message); }

// NOLINTNEXTLINE(performance-unnecessary-value-param): the message is this call's own copy
void QUILAPIWrapperImpl::LogError(std::string message) { WriteLogLineUtf8(kErrorPrefix + message); }
