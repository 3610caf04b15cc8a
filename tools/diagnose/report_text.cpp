#include "report.h"

#include <cctype>
#include <cstdio>
#include <map>

#include "entry/session_names.h"
#include "loader/publisher.h"
#include "location/release_key.h"
#include "location/text_conversion.h"

namespace tscdiag {
namespace {

constexpr int kIndent = 2;

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

// The labels that say more than their key in words.
const std::map<std::string, std::string> kLabels = {
    {"active", "Override in effect"},
    {"carriedInSignature", "Carried in the signature"},
    {"chain", "Verified chain (signer first)"},
    {"enablePathOverride", "EnablePathOverride as read"},
    {"enabled", "Enabled (exactly " + std::to_string(tsc::kPathOverrideOn) + ")"},
    {"entries", "Entries naming it"},
    {"error", "Error code"},
    {"expandedExists", "Something exists there"},
    {"fileCanBeHeld", "Can be held unchanged"},
    {"firstPathEntry", "First PATH entry now"},
    {"folder", "Folder handed out"},
    {"initializeResult", "dtutInitializeTSC answered"},
    {"installRoot", "Installation root"},
    {"installRootExists", "Installation root exists"},
    {"keyWritable", "Key opens with write access"},
    {"keyWriteError", "Write access refused"},
    {"lockFolderSource", "Lock folder taken from"},
    {"logFile", "Wrapper log"},
    {"logLines", "Wrapper log lines appended"},
    {"namesPublisher", "Names " + WideToUtf8(tsc::kPublisher)},
    {"namesSharedComponents", "PATH names " + WideToUtf8(tsc::kSharedComponentsMarker)},
    {"path", "File"},
    {"process", "Process named by it"},
    {"publisher", "Expected publisher"},
    {"publisherFound", "Publisher found in the chain"},
    {"running", "Self-update running"},
    {"sdkPath", "SDK path found by the library"},
    {"sdkUnloaded", "SDK library unloaded"},
    {"size", "Size in bytes"},
    {"statusError", "Status query failed"},
    {"installRootError", "Status query failed"},
    {"versionFolderError", "Status query failed"},
    {"folderError", "Status query failed"},
    {"trustStatus", "WinVerifyTrust status"},
    {"trustStatusHex", "WinVerifyTrust status (hex)"},
    {"trustStatusText", "WinVerifyTrust says"},
    {"updateResult", "dtutUpdatePathForTSC answered"},
    {"usedByLibrary", "Used by the library"}};

// "keyOpened" reads "Key opened"; a name that starts in capitals ("InstallPath") stays.
std::string Label(const std::string& key) {
    if (const auto found = kLabels.find(key); found != kLabels.end()) return found->second;
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
    if (value.is_string()) {
        const std::string& text = value.get_ref<const std::string&>();
        return text.empty() ? "(empty)" : Visible(text);
    }
    return "none";
}

void AppendFields(const Json& fields, int indent, std::string& out);

// A list item: a scalar on the dash line; a group with its first fact on the dash line and the
// others below it.
void AppendItem(const Json& item, int indent, std::string& out) {
    if (!item.is_object() || item.empty()) {
        out += Spaces(indent) + "- " + ScalarText(item) + "\n";
        return;
    }
    std::string nested;
    AppendFields(item, indent + 2, nested);
    out += nested.replace(static_cast<std::size_t>(indent), 2, "- ");
}

void AppendFields(const Json& fields, int indent, std::string& out) {
    for (const auto& [key, value] : fields.items()) {
        const std::string head = Spaces(indent) + Label(key) + ":";
        if (!value.is_structured() || value.empty()) {
            out += head + " " + ScalarText(value) + "\n";
        } else if (value.is_object()) {
            out += head + "\n";
            AppendFields(value, indent + 2, out);
        } else {
            out += head + "\n";
            for (const Json& item : value) AppendItem(item, indent + 2, out);
        }
    }
}

}  // namespace

std::string TitleText() {
    return "tscdiag: shared components of release " + WideToUtf8(tsc::kRelease) +
           " and the installer-service session\n\n";
}

std::string StepText(const Step& step) {
    static const char* const kVerdicts[] = {"Passed", "FAILED", "Skipped"};
    std::string out = "Step " + std::to_string(step.number) + ". " + step.title + "\n";
    for (const Diagnostic& diagnostic : step.diagnostics) {
        out += Spaces(kIndent) + "Library message [" + diagnostic.level + "] " +
               Visible(diagnostic.message) + "\n";
    }
    AppendFields(step.facts, kIndent, out);
    out += Spaces(kIndent) + kVerdicts[static_cast<int>(step.verdict)] + ": " +
           Visible(step.summary) + "\n\n";
    return out;
}

std::string OutcomeText(const Outcome& outcome) {
    return "Result: " + Visible(outcome.result) + "\n";
}

}  // namespace tscdiag
