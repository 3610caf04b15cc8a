// Steps 8 to 10: what a host does, done here in this process through the library itself: start
// a session and lock the folder, put the folder in front of PATH, and tear everything down again.
#include <optional>

#include "checks.h"
#include "dttscsdk/dttscsdk.h"
#include "entry/module_state.h"
#include "facts.h"
#include "location/environment_variable.h"
#include "location/existence.h"
#include "wrapper/quil_api_wrapper_impl.h"
#include "wrapper_log_tail.h"

namespace tscdiag {
namespace {

bool SessionOpen() { return !QUILAPIWrapperImpl::GetInstance().SessionId().empty(); }

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

const Diagnostic* FindMessage(const std::vector<Diagnostic>& diagnostics, const char* prefix) {
    for (const Diagnostic& diagnostic : diagnostics) {
        if (StartsWith(diagnostic.message, prefix)) return &diagnostic;
    }
    return nullptr;
}

// The last ERROR or FATAL message usually names why the folder step failed; earlier FATAL
// messages ("There is no custom path set") only say that no override is configured.
const Diagnostic* LastSevere(const std::vector<Diagnostic>& diagnostics) {
    const Diagnostic* found = nullptr;
    for (const Diagnostic& diagnostic : diagnostics) {
        if (diagnostic.level == "ERROR" || diagnostic.level == "FATAL") found = &diagnostic;
    }
    return found;
}

std::string WithoutTimestamp(const std::string& line) {
    const std::size_t close = line.find("] ");
    return !line.empty() && line[0] == '[' && close != std::string::npos ? line.substr(close + 2)
                                                                         : line;
}

// The first error of the attempt is usually the cause; the later ones follow from it.
std::string LogErrorClause(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        const std::string message = WithoutTimestamp(line);
        if (StartsWith(message, "[ERROR]")) return "; the wrapper log says \"" + message + "\"";
    }
    return {};
}

Array LogLinesValue(const std::vector<std::string>& lines) {
    Array values;
    for (const std::string& line : lines) values.push_back(line);
    return values;
}

void AddLogFacts(const std::vector<std::string>& lines, Step& step) {
    const std::wstring path = WrapperLogPath();
    step.facts.push_back({"logFile", "Wrapper log", path});
    step.facts.push_back({"logFolderExists", "Log folder exists",
                          tsc::QueryExistence(path.substr(0, path.find_last_of(L'\\'))).exists});
    step.facts.push_back({"logLines", "Wrapper log lines appended", LogLinesValue(lines)});
}

void JudgeSessionStart(bool result, bool open, bool locked, const std::vector<Diagnostic>& messages,
                       const std::vector<std::string>& lines, Step& step) {
    if (!result) {
        const Diagnostic* severe = LastSevere(messages);
        Fail(step, "dtutInitializeTSC answered false" +
                       (severe ? ": the library says \"" + severe->message + "\"" : std::string()) +
                       LogErrorClause(lines) + ".");
    } else if (!open) {
        Fail(step, "the folder was resolved, but no installer-service session opened" +
                       LogErrorClause(lines) + ".");
    } else if (tscPath.empty()) {
        Fail(step,
             "dtutInitializeTSC answered true but handed out no folder: the resolved folder "
             "is shorter than 5 characters.");
    } else if (!locked) {
        const Diagnostic* lockFailure = FindMessage(messages, "Failed to lock");
        Fail(step, "a session opened, but the folder could not be locked" +
                       (lockFailure ? ": \"" + lockFailure->message + "\"" : std::string()) + ".");
    } else {
        Pass(step, "a session opened and the folder " + Quoted(tscPath) + " is locked for it.");
    }
}

}  // namespace

void CheckSessionStart(const DiagnosticCapture& capture, Context& context, Step& step) {
    const WrapperLogTail log;
    const bool result = dtutInitializeTSC();
    const bool open = SessionOpen();
    // The library hands the folder out whether or not the lock was taken; a failed or skipped
    // lock shows only in its warnings.
    const bool locked = result && open && !tscPath.empty() &&
                        FindMessage(capture.Pending(), "Failed to lock") == nullptr &&
                        FindMessage(capture.Pending(), "Failed to intialize") == nullptr;
    context.initialized = result;
    const std::vector<std::string> lines = log.NewLines();
    step.facts.push_back({"initializeResult", "dtutInitializeTSC answered", result});
    step.facts.push_back({"sessionOpened", "Session opened", open});
    step.facts.push_back(
        {"folder", "Folder handed out", tscPath.empty() ? Value() : Value(tscPath)});
    step.facts.push_back({"folderLocked", "Folder locked", locked});
    AddLogFacts(lines, step);
    JudgeSessionStart(result, open, locked, capture.Pending(), lines, step);
}

void CheckPathUpdate(const Context& context, Step& step) {
    if (!context.initialized) {
        Skip(step, "no folder was handed out (see step 8).");
        return;
    }
    const bool result = dtutUpdatePathForTSC();
    const std::wstring path = tsc::ReadEnvironmentVariable(L"PATH").value_or(std::wstring());
    step.facts.push_back({"updateResult", "dtutUpdatePathForTSC answered", result});
    step.facts.push_back(
        {"firstPathEntry", "First PATH entry now", path.substr(0, path.find(L';'))});
    if (result) {
        Pass(step, "the folder is in front of PATH (of this process only).");
    } else {
        Fail(step,
             "dtutUpdatePathForTSC answered false: no folder, an empty PATH, or PATH could "
             "not be written.");
    }
}

void CheckTeardown(const DiagnosticCapture& capture, const Context& context, Step& step) {
    const WrapperLogTail log;
    const bool owed = tscInitialized;
    const bool wasOpen = SessionOpen();
    dtutUninitializeTSC();
    const bool closed = !SessionOpen();
    const bool unloaded =
        context.sdkPath.empty() || GetModuleHandleW(context.sdkPath.c_str()) == nullptr;
    step.facts.push_back({"teardownOwed", "Teardown owed", owed});
    step.facts.push_back({"sessionClosed", "Session closed", closed});
    step.facts.push_back({"sdkUnloaded", "SDK library unloaded", unloaded});
    AddLogFacts(log.NewLines(), step);
    const Diagnostic* unlockFailure = FindMessage(capture.Pending(), "Failed to Unlock");
    const Diagnostic* closeFailure = FindMessage(capture.Pending(), "Failed to Uninitialize");
    if (!closed) {
        Fail(step, "the session is still open after dtutUninitializeTSC.");
    } else if (!unloaded) {
        Fail(step, "the SDK library is still loaded after dtutUninitializeTSC.");
    } else if (unlockFailure != nullptr || closeFailure != nullptr) {
        Fail(step, "\"" + (unlockFailure ? unlockFailure : closeFailure)->message + "\".");
    } else if (wasOpen) {
        Pass(step, "the folder was unlocked, the session closed and the SDK library unloaded.");
    } else {
        Pass(step, owed ? "no session was open: nothing is left behind."
                        : "nothing to tear down: the start did not get as far as the session.");
    }
}

}  // namespace tscdiag
