// Steps 8 to 10: what a host does, done here in this process through the library itself: start
// a session and lock the folder, put the folder in front of PATH, and tear everything down again.
#include "checks.h"
#include "dttscsdk/dttscsdk.h"
#include "entry/module_state.h"
#include "location/environment_variable.h"
#include "location/existence.h"

namespace tscdiag {
namespace {

QUILAPIWrapperImpl& Session() { return QUILAPIWrapperImpl::GetInstance(); }

void AddLogFileFacts(const Context& context, Json& facts) {
    const std::wstring& path = context.logPath;
    facts["logFile"] = WideToUtf8(path);
    facts["logFolderExists"] = tsc::QueryExistence(path.substr(0, path.find_last_of(L'\\'))).exists;
}

}  // namespace

void CheckSessionStart(Context& context, Step& step) {
    context.initialized = dtutInitializeTSC();
    const bool open = !Session().SessionId().empty();
    // The folder is handed out whether or not the lock was taken; the lock's status is the
    // manager's last.
    const std::int32_t lock = tscManager.LastStatus();
    step.facts["initializeResult"] = context.initialized;
    step.facts["sessionOpened"] = open;
    step.facts["folder"] = TextOrNull(tscPath);
    step.facts["folderLocked"] = context.initialized && open && !tscPath.empty() && lock == 0;
    AddLogFileFacts(context, step.facts);
    const std::string cause = SevereClause(context.received) + LogErrorClause(context.LogLines());
    if (!context.initialized) {
        step.Fail("dtutInitializeTSC answered false" + cause + ".");
    } else if (!open) {
        step.Fail("the folder was resolved, but no installer-service session opened" + cause + ".");
    } else if (tscPath.empty()) {
        step.Fail("dtutInitializeTSC answered true but handed out no folder" + cause + ".");
    } else if (lock != 0) {
        step.Fail("a session opened, but the folder could not be locked, status " +
                  std::to_string(lock) + ".");
    } else {
        step.Pass("a session opened and the folder " + Quoted(tscPath) + " is locked for it.");
    }
}

void CheckPathUpdate(Context& context, Step& step) {
    if (!context.initialized) return step.Skip("no folder was handed out (see step 8).");
    const bool result = dtutUpdatePathForTSC();
    const std::wstring path = tsc::ReadEnvironmentVariable(L"PATH").value_or(std::wstring());
    step.facts["updateResult"] = result;
    step.facts["firstPathEntry"] = WideToUtf8(path.substr(0, path.find(L';')));
    if (result) return step.Pass("the folder is in front of PATH (of this process only).");
    step.Fail(
        "dtutUpdatePathForTSC answered false: no folder, an empty PATH, or PATH could not "
        "be written.");
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
        step.Fail("the session is still open after dtutUninitializeTSC.");
    } else if (!unloaded) {
        step.Fail("the SDK library is still loaded after dtutUninitializeTSC.");
    } else if (wasOpen && !context.received.empty()) {
        step.Fail("\"" + context.received.back().message + "\".");
    } else if (wasOpen) {
        step.Pass("the folder was unlocked, the session closed and the SDK library unloaded.");
    } else {
        step.Pass(owed ? "no session was open: nothing is left behind."
                       : "nothing to tear down: the start did not get as far as the session.");
    }
}

}  // namespace tscdiag
