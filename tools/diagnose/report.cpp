#include "report.h"

#include <cctype>
#include <cstdio>

#include "entry/session_names.h"
#include "loader/publisher.h"
#include "location/release_key.h"
#include "location/text_conversion.h"

namespace tscdiag {
namespace {

constexpr int kIndent = 2;
const char* const kVerdictWords[] = {"passed", "failed", "skipped"};
const char* const kVerdictHeads[] = {"Passed", "FAILED", "Skipped"};

// The labels that say more than their key in words, as pairs: key, label.
// clang-format off
const std::string kLabels[] = {
    "active", "Override in effect", "carriedInSignature", "Carried in the signature",
    "chain", "Verified chain (signer first)", "enablePathOverride", WideToUtf8(tsc::kPathOverrideValue) + " as read",
    "enabled", "Enabled (exactly " + std::to_string(tsc::kPathOverrideOn) + ")",
    "entries", "Entries naming it", "error", "Error code", "folder", "Folder handed out",
    "expandedExists", "Something exists there", "fileCanBeHeld", "Can be held unchanged",
    "firstPathEntry", "First PATH entry now", "initializeResult", "dtutInitializeTSC answered",
    "installRoot", "Installation root", "installRootExists", "Installation root exists",
    "keyWritable", "Key opens with write access", "keyWriteError", "Write access refused",
    "lockFolderSource", "Lock folder taken from", "logFile", "Wrapper log",
    "logLines", "Wrapper log lines appended", "namesPublisher",
    "Names " + WideToUtf8(tsc::kPublisher),
    "namesSharedComponents", "PATH names " + WideToUtf8(tsc::kSharedComponentsMarker),
    "path", "File", "process", "Process named by it", "publisher", "Expected publisher",
    "publisherFound", "Publisher found in the chain", "running", "Self-update running",
    "sdkPath", "SDK path found by the library", "sdkUnloaded", "SDK library unloaded",
    "size", "Size in bytes", "statusError", "Status query failed",
    "folderError", "Status query failed", "installRootError", "Status query failed",
    "versionFolderError", "Status query failed",
    "trustStatus", "WinVerifyTrust status", "trustStatusHex", "WinVerifyTrust status (hex)",
    "trustStatusText", "WinVerifyTrust says", "updateResult", "dtutUpdatePathForTSC answered",
    "usedByLibrary", "Used by the library"};
// clang-format on

std::string Spaces(int count) { return std::string(static_cast<std::size_t>(count), ' '); }

// Control characters would break the layout of the lines; they are shown as \xHH instead.
std::string Visible(const std::string& text) {
    std::string out;
    for (char c : text) {
        char escaped[8] = {c};
        if (static_cast<unsigned char>(c) < 0x20) {
            std::snprintf(escaped, sizeof(escaped), "\\x%02X", static_cast<unsigned>(c));
        }
        out += escaped;
    }
    return out;
}

// From the table; else "keyOpened" reads "Key opened", and a name that starts in capitals
// ("InstallPath") stays.
std::string Label(const std::string& key) {
    for (std::size_t i = 0; i + 1 < std::size(kLabels); i += 2) {
        if (kLabels[i] == key) return kLabels[i + 1];
    }
    if (key.empty() || std::isupper(static_cast<unsigned char>(key[0]))) return key;
    std::string out(1, static_cast<char>(std::toupper(static_cast<unsigned char>(key[0]))));
    for (char c : key.substr(1)) {
        if (std::isupper(static_cast<unsigned char>(c))) out += ' ';
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string ScalarText(const Json& value) {
    if (value.is_boolean()) return value.get<bool>() ? "yes" : "no";
    if (value.is_number()) return value.dump();
    if (!value.is_string()) return "none";
    const std::string& text = value.get_ref<const std::string&>();
    return text.empty() ? "(empty)" : Visible(text);
}

// A fact per line, a group's facts indented below it; a list item on a dash line, a group in a
// list with its first fact on the dash line and the others below it.
void AppendFields(const Json& fields, int indent, std::string& out) {
    for (const auto& [key, value] : fields.items()) {
        const std::string head = Spaces(indent) + Label(key) + ":";
        if (!value.is_structured() || value.empty()) {
            out += head + " " + ScalarText(value) + "\n";
            continue;
        }
        out += head + "\n";
        if (value.is_object()) {
            AppendFields(value, indent + 2, out);
            continue;
        }
        for (const Json& item : value) {
            std::string nested;
            if (item.is_object() && !item.empty()) {
                AppendFields(item, indent + 4, nested);
            } else {
                nested = Spaces(indent + 4) + ScalarText(item) + "\n";
            }
            out += nested.replace(static_cast<std::size_t>(indent + 2), 2, "- ");
        }
    }
}

}  // namespace

Outcome Conclude(const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        if (step.verdict != Verdict::kFailed) continue;
        return Outcome{step.number, "step " + std::to_string(step.number) + " (" + step.title +
                                        ") failed: " + step.summary};
    }
    return Outcome{0, "all checks passed: a host can start a session on this machine."};
}

std::string ReportJson(const Identity& identity, const std::vector<Step>& steps,
                       const Outcome& outcome) {
    const Json version =
        identity.libraryVersion.empty() ? Json(nullptr) : Json(identity.libraryVersion);
    Json report = {{"tool", "tscdiag"},
                   {"toolVersion", identity.toolVersion},
                   {"formatVersion", kJsonFormatVersion},
                   {"library",
                    {{"file", identity.libraryFile},
                     {"found", identity.libraryFound},
                     {"fileVersion", version}}},
                   {"release", WideToUtf8(tsc::kRelease)},
                   {"steps", Json::array()}};
    for (const Step& step : steps) {
        report["steps"].push_back({{"number", step.number},
                                   {"id", step.id},
                                   {"title", step.title},
                                   {"verdict", kVerdictWords[static_cast<int>(step.verdict)]},
                                   {"summary", step.summary},
                                   {"facts", step.facts},
                                   {"diagnostics", step.diagnostics}});
    }
    report["exitCode"] = outcome.exitCode;
    report["firstFailingStep"] = outcome.exitCode == 0 ? Json(nullptr) : Json(outcome.exitCode);
    report["result"] = outcome.result;
    // Bytes that are not valid UTF-8 (from a file or a value) become U+FFFD.
    return report.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string TitleText(const Identity& identity) {
    std::string library = "Library diagnosed: " + Visible(identity.libraryFile);
    if (!identity.libraryFound) {
        library += " (not found: run the tool from the application's folder)";
    } else {
        library += ", file version " +
                   (identity.libraryVersion.empty() ? "none" : identity.libraryVersion);
    }
    return "tscdiag " + identity.toolVersion + ": shared components of release " +
           WideToUtf8(tsc::kRelease) + " and the installer-service session\n" + library + "\n\n";
}

std::string StepText(const Step& step) {
    std::string out = "Step " + std::to_string(step.number) + ". " + step.title + "\n";
    for (const Diagnostic& diagnostic : step.diagnostics) {
        out += Spaces(kIndent) + "Library message [" + diagnostic.level + "] " +
               Visible(diagnostic.message) +
               (diagnostic.note.empty() ? "" : " (" + diagnostic.note + ")") + "\n";
    }
    AppendFields(step.facts, kIndent, out);
    out += Spaces(kIndent) + kVerdictHeads[static_cast<int>(step.verdict)] + ": " +
           Visible(step.summary) + "\n\n";
    return out;
}

std::string OutcomeText(const Outcome& outcome) {
    return "Result: " + Visible(outcome.result) + "\n";
}

}  // namespace tscdiag
