// The SDK operations: open a session, lock and unlock folders under it, close it. Their
// statuses are named in common/status.h; any other value is the SDK's own result, passed on.
#include "wrapper/quil_api_wrapper_impl.h"

#include <exception>
#include <string>

#include "common/status.h"

#include "wrapper/sdk_exports.h"
#include "wrapper/wrapper_seams.h"

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

template <typename Func>
Func As(FARPROC address) {
    return reinterpret_cast<Func>(reinterpret_cast<void*>(address));
}

// Runs a step when the scope ends, however it ends.
template <typename Step>
class AtScopeEnd {
  public:
    explicit AtScopeEnd(Step step) : step_(step) {}
    ~AtScopeEnd() { step_(); }
    AtScopeEnd(const AtScopeEnd&) = delete;
    AtScopeEnd& operator=(const AtScopeEnd&) = delete;

  private:
    Step step_;
};

}  // namespace

QUILAPIWrapperImpl& QUILAPIWrapperImpl::GetInstance() {
    static QUILAPIWrapperImpl instance;
    return instance;
}

// Exports are looked up anew on every use: no address outlives the call that found it.
FARPROC QUILAPIWrapperImpl::FindExport(const char* name) const {
    return sdkModule == nullptr ? nullptr : GetProcAddress(sdkModule, name);
}

std::int32_t QUILAPIWrapperImpl::Initialize(const std::string& plc, const std::string& release,
                                            const std::string& language) {
    if (!sessionId.empty()) return tsc::status::kSessionAlreadyOpen;
    StartLogFile();
    if (plc.empty() || release.empty()) {
        LogError("Initialize: Either \"plc\" or \"release\" argument absent!");
        return tsc::status::kArgumentEmpty;
    }
    LogInfo("Initialize: plc = " + Quoted(plc) + ", release = " + Quoted(release) +
            ", language = " + Quoted(language));
    std::uint32_t loadStatus = 0;
    if (!Load(&loadStatus)) {
        LogError("Initialize: Failed to load SDK! ");
        return static_cast<std::int32_t>(loadStatus);
    }
    LogInfo("Initialize: QUIL SDK loaded successfully");
    const auto initialize = As<InitializeFunc>(FindExport("Initialize"));
    if (initialize == nullptr) {
        LogError("Initialize: Failed to obtain InitializeFunc handle!");
        return tsc::status::kExportMissing;
    }
    char* sessionText = nullptr;
    const std::int32_t result =
        initialize(plc.c_str(), release.c_str(), language.c_str(), &sessionText);
    // The SDK's text goes back on every way out from here, also when the log line or the copy
    // of the id cannot be allocated.
    const AtScopeEnd handBack([this, &sessionText]() noexcept { ReleaseSdkText(&sessionText); });
    if (result == 0) {
        // An SDK that reports success without handing out a text is treated like one that
        // hands out an empty text: no session. The id is kept before the log line, which may
        // run out of memory: a session the service opened is always closed by the teardown.
        if (sessionText != nullptr) sessionId = sessionText;
        LogInfo("Initialize: session id = " + sessionId);
    }
    return result;
}

void QUILAPIWrapperImpl::ReleaseSdkText(char** text) noexcept {
    const auto releaseMemory = As<ReleaseMemoryFunc>(FindExport("ReleaseMemory"));
    if (releaseMemory != nullptr) {
        releaseMemory(sessionId.c_str(), text);
        return;
    }
    // This may run while an exception is on its way out: a line that cannot be composed is
    // left out.
    try {
        LogError("ReleaseMemory: Failed to obtain ReleaseMemoryFunc handle!");
    } catch (const std::exception&) {
    }
}

std::int32_t QUILAPIWrapperImpl::Uninitialize() {
    if (sessionId.empty()) {
        LogError("Uninitialize: Not initialized!");
        return tsc::status::kNoSession;
    }
    const auto uninitialize = As<UninitializeFunc>(FindExport("Uninitialize"));
    if (uninitialize == nullptr) {
        LogError("Uninitialize: Failed to obtain UninitializeFunc handle!");
        return tsc::status::kExportMissing;
    }
    const std::int32_t result = uninitialize(sessionId.c_str());
    if (result == 0) sessionId.clear();
    // The library is unloaded whatever the SDK answered.
    const BOOL freed = tsc::seams::freeLibrary(sdkModule);
    sdkModule = nullptr;
    if (!freed) {
        LogError("Uninitialize: Unload failed!");
        return tsc::status::kUnloadFailed;
    }
    LogInfo("Uninitialize: QUIL SDK unloaded successfully");
    return result;
}

std::int32_t QUILAPIWrapperImpl::LockDirectory(const std::string& directoryToLock) {
    return CallDirectoryExport("LockDirectory", directoryToLock);
}

std::int32_t QUILAPIWrapperImpl::UnLockDirectory(const std::string& directoryToLock) {
    return CallDirectoryExport("UnLockDirectory", directoryToLock);
}

std::int32_t QUILAPIWrapperImpl::CallDirectoryExport(const std::string& name,
                                                     const std::string& directoryToLock) {
    if (directoryToLock.empty()) {
        LogError(name + ": Argument \"directoryToLock \" is empty!");
        return tsc::status::kArgumentEmpty;
    }
    // Both exports share one signature.
    const auto call = As<LockDirectoryFunc>(FindExport(name.c_str()));
    if (call == nullptr) {
        LogError(name + ": Failed to obtain " + name + "Func handle!");
        return tsc::status::kExportMissing;
    }
    // With no session open, the empty session id is passed on: the SDK decides.
    const std::int32_t result = call(sessionId.c_str(), directoryToLock.c_str());
    if (result != 0) LogError(name + ": API returned error code " + std::to_string(result));
    return result;
}
