// Steps 8 to 10: what a host does, done here in this process through the library itself: start
// a session and lock the folder, put the folder in front of PATH, and tear everything down again.
#include "checks.h"
#include "common/status.h"
#include "dttscsdk/dttscsdk.h"
#include "entry/module_state.h"
#include "entry/start_conditions.h"
#include "common/environment_variable.h"
#include "common/existence.h"

namespace tscdiag {
namespace {

QUILAPIWrapperImpl& Session() { return QUILAPIWrapperImpl::GetInstance(); }

bool SdkLoaded() {
    const std::wstring& sdk = Session().SdkPath();
    return !sdk.empty() && GetModuleHandleW(sdk.c_str()) != nullptr;
}

// dtutInitializeTSC answered false: the library refused to start, or found no folder.
std::string RefusalReason(const Context& context) {
    if (tsc::IsInitializeBypassed()) {
        return "the library skips the start: " + WideToUtf8(tsc::kBypassVariable) + " is set";
    }
    const std::wstring path = tsc::ReadEnvironmentVariable(L"PATH").value_or(std::wstring());
    if (tsc::PathNamesSharedComponents(path)) {
        return "PATH already names " + WideToUtf8(tsc::kSharedComponentsMarker);
    }
    return "the folder could not be resolved" + SevereClause(context.received);
}

// The folder was resolved but no session opened: the installer service's own answer when the
// SDK library was loaded and the wrapper logged no error, else the line that says why not.
std::string NoSessionReason(const std::string& logged) {
    const std::int32_t status = tscManager.LastStatus();
    if (!SdkLoaded())
        return "no installer-service session opened: the SDK library was not loaded" + logged;
    if (!logged.empty()) return "the SDK library was loaded, but no session opened" + logged;
    if (status == tsc::status::kSuccess) {
        return "the installer service's Initialize answered 0 but handed out no session id";
    }
    return "the installer service refused the session: its Initialize answered status " +
           std::to_string(status);
}

// ": "<the library's first message>"" of a teardown with a session open, which warns only
// when unlocking or ending the session failed; nothing without one.
std::string TeardownClause(const Context& context) {
    return context.received.empty() ? std::string()
                                    : ": \"" + context.received.front().message + "\"";
}

void AddLogFileFacts(const Context& context, Json& facts) {
    const std::wstring& path = context.logPath;
    facts["logFile"] = WideToUtf8(path);
    facts["logFolderExists"] = tsc::QueryExistence(path.substr(0, path.find_last_of(L'\\'))).exists;
}

}  // namespace

void CheckSessionStart(Context& context, Step& step) {
    context.initialized = dtutInitializeTSC();
    const bool open = !Session().SessionId().empty();
    const bool locked = tscManager.FolderLocked();
    step.facts["initializeResult"] = context.initialized;
    step.facts["sessionOpened"] = open;
    step.facts["folder"] = TextOrNull(tscPath);
    step.facts["folderLocked"] = locked;
    AddLogFileFacts(context, step.facts);
    const std::string logged = LogErrorClause(context.LogLines());
    if (!context.initialized) {
        step.Fail("dtutInitializeTSC answered false: " + RefusalReason(context) + ".");
    } else if (!open) {
        step.Fail("the folder was resolved, but " + NoSessionReason(logged) + ".");
    } else if (tscPath.empty()) {
        const std::string rejected = "the library rejects it" + SevereClause(context.received);
        step.Fail("dtutInitializeTSC answered true but handed out no folder: " + rejected + ".");
    } else if (!locked) {
        step.Fail("a session opened, but the folder is not locked (wrapper status " +
                  std::to_string(tscManager.LastStatus()) + ")" + logged + ".");
    } else {
        step.Pass("a session opened and the folder " + Quoted(tscPath) + " is locked for it.");
    }
}

void CheckPathUpdate(Context& context, Step& step) {
    if (!context.initialized) return step.Skip("no folder was handed out (see step 8).");
    const bool pathSet = !tsc::ReadEnvironmentVariable(L"PATH").value_or(std::wstring()).empty();
    const bool result = dtutUpdatePathForTSC();
    const std::wstring path = tsc::ReadEnvironmentVariable(L"PATH").value_or(std::wstring());
    step.facts["updateResult"] = result;
    step.facts["firstPathEntry"] = WideToUtf8(path.substr(0, path.find(L';')));
    if (result) return step.Pass("the folder is in front of PATH (of this process only).");
    if (tscPath.empty()) {
        return step.Fail(
            "dtutUpdatePathForTSC answered false: no folder was handed out (see "
            "step 8).");
    }
    step.Fail(pathSet ? "dtutUpdatePathForTSC answered false: PATH could not be written."
                      : "dtutUpdatePathForTSC answered false: PATH is empty or not set in this "
                        "process, so there is nothing to put the folder in front of.");
}

void CheckTeardown(Context& context, Step& step) {
    const bool owed = tscInitialized;
    const bool wasOpen = !Session().SessionId().empty();
    step.facts["teardownOwed"] = owed;
    dtutUninitializeTSC();
    const std::wstring& sdk = Session().SdkPath();
    const bool closed = Session().SessionId().empty();
    const bool unloaded = sdk.empty() || GetModuleHandleW(sdk.c_str()) == nullptr;
    step.facts["sessionClosed"] = closed;
    step.facts["sdkUnloaded"] = unloaded;
    AddLogFileFacts(context, step.facts);
    // With a session open, the manager warns only when unlocking or closing failed.
    if (!closed) {
        step.Fail("the session is still open after dtutUninitializeTSC" + TeardownClause(context) +
                  ".");
    } else if (!unloaded) {
        step.Fail("the SDK library is still loaded after dtutUninitializeTSC" +
                  TeardownClause(context) + ".");
    } else if (wasOpen && !context.received.empty()) {
        step.Fail("the session ended, but the teardown failed" + TeardownClause(context) + ".");
    } else if (wasOpen) {
        step.Pass("the folder was unlocked, the session closed and the SDK library unloaded.");
    } else {
        step.Pass(owed ? "no session was open: nothing is left behind."
                       : "nothing to tear down: the start did not get as far as the session.");
    }
}

}  // namespace tscdiag
