// Step 2: whether the folder comes from the environment instead of the installer's values.
#include "checks.h"
#include "facts.h"
#include "location/environment_variable.h"
#include "location/existence.h"
#include "location/release_key.h"
#include "location/text_conversion.h"

namespace tscdiag {
namespace {

const std::wstring kVariable = std::wstring(L"TSC_PATH_") + kRelease;

// The switch as the library reads it: a little-endian 32-bit integer of whatever type it is
// stored as; shorter data leave the high bytes 0, longer data fail the read.
std::optional<std::uint32_t> SwitchNumber(const RawValue& value) {
    if (!value.present || value.data.size() > sizeof(std::uint32_t)) return std::nullopt;
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < value.data.size(); ++i) {
        number |= static_cast<std::uint32_t>(value.data[i]) << (8 * i);
    }
    return number;
}

// Why an override that is not in effect is not, in plain words.
std::string InactiveReason(const OverrideState& override) {
    if (!override.switchNumber) {
        return override.switchValue.present
                   ? "not in effect: EnablePathOverride is longer than 4 bytes, so the library "
                     "cannot read it."
                   : "not in effect: EnablePathOverride is not set.";
    }
    if (!override.Enabled()) {
        return "not in effect: EnablePathOverride is " + std::to_string(*override.switchNumber) +
               " (only 1 enables it).";
    }
    if (override.writeOpenError != 0) {
        return "not in effect: EnablePathOverride is 1, but the library opens the key with write "
               "access, which this process does not have (run as the host runs, elevated).";
    }
    return "not in effect: EnablePathOverride is 1, but TSC_PATH_2026 is not set, so the "
           "library uses the registry values.";
}

}  // namespace

OverrideState ReadOverrideState() {
    OverrideState state;
    const std::wstring keyPath = tsc::ReleaseKeyPath(kRelease);
    const OpenedKey reader = OpenMachineKey(keyPath, KEY_READ);
    if (reader.error == 0)
        state.switchValue = ReadRawValue(reader.key.get(), L"EnablePathOverride");
    state.switchNumber = SwitchNumber(state.switchValue);
    // Opening asks for write access but writes nothing; the key is closed at once.
    state.writeOpenError = OpenMachineKey(keyPath, KEY_READ | KEY_WRITE).error;
    state.variable = tsc::ReadEnvironmentVariable(kVariable);
    return state;
}

void CheckPathOverride(const OverrideState& override, Context& context, Step& step) {
    step.facts.push_back({"enablePathOverride", "EnablePathOverride as read",
                          override.switchNumber ? Value(*override.switchNumber) : Value()});
    step.facts.push_back({"enabled", "Enabled (exactly 1)", override.Enabled()});
    step.facts.push_back(
        {"keyWritable", "Key opens with write access", override.writeOpenError == 0});
    if (override.writeOpenError != 0) {
        Object error;
        AddErrorFields(error, override.writeOpenError);
        step.facts.push_back({"keyWriteError", "Write access refused", std::move(error)});
    }
    step.facts.push_back({"variable", "Variable", kVariable});
    step.facts.push_back({"variableSet", "Variable set", override.variable.has_value()});
    step.facts.push_back({"variableValue", "Variable value",
                          override.variable ? Value(*override.variable) : Value()});
    step.facts.push_back({"active", "Override in effect", override.Active()});
    if (!override.Active()) {
        Pass(step, InactiveReason(override));
        return;
    }
    const std::wstring& folder = *override.variable;
    const tsc::Existence found = tsc::QueryExistence(folder);
    step.facts.push_back({"folderExists", "Folder exists", found.exists});
    if (folder.size() < kShortestFolder) {
        Fail(step, "TSC_PATH_2026 holds " + Quoted(folder) +
                       ", shorter than 5 characters: the library rejects it.");
    } else if (!found.exists) {
        Fail(step, "TSC_PATH_2026 names " + Quoted(folder) + ", which does not exist.");
    } else {
        context.folder = folder;
        Pass(step, "in effect: the folder is " + Quoted(folder) + ", from TSC_PATH_2026.");
    }
}

}  // namespace tscdiag
