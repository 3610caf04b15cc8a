// Steps 1 and 2: the values the installer recorded for the release and the override switch, with
// the library's resolution of the folder and its override step on them.
#include "checks.h"
#include "common/status.h"
#include "common/environment_variable.h"
#include "location/release_key.h"

namespace tscdiag {
namespace {

const std::wstring kVariable = tsc::PathOverrideVariable(tsc::kRelease);

void AddRegistryFacts(Json& facts) {
    const OpenedKey opened = AddKeyFacts(facts, tsc::ReleaseKeyPath(tsc::kRelease));
    if (opened.error != 0) return;
    for (const wchar_t* name :
         {tsc::kInstallPathValue, tsc::kVersionValue, tsc::kPathOverrideValue}) {
        facts["values"][WideToUtf8(name)] =
            DescribeValue(ReadRawValue(opened.key.get(), name), name != tsc::kPathOverrideValue);
    }
    const RawValue root = ReadRawValue(opened.key.get(), tsc::kInstallPathValue);
    facts["installRoot"] = root.present ? Json(WideToUtf8(ValueText(root))) : Json(nullptr);
    facts["installRootExists"] = nullptr;
    if (root.present) AddExistence(facts, "installRootExists", "installRootError", ValueText(root));
}

void AddOverrideFacts(Json& facts) {
    const std::wstring keyPath = tsc::ReleaseKeyPath(tsc::kRelease);
    const OpenedKey reader = OpenMachineKey(keyPath, KEY_READ);
    std::optional<DWORD> value;
    if (reader.error == 0) value = tsc::ReadPathOverrideSwitch(reader.key.get());
    facts["enablePathOverride"] = value ? Json(*value) : Json(nullptr);
    facts["enabled"] = value.value_or(0) == tsc::kPathOverrideOn;
    // Opening asks for write access but writes nothing; the key is closed at once.
    const DWORD writeError = OpenMachineKey(keyPath, tsc::kPathOverrideAccess).error;
    facts["keyWritable"] = writeError == 0;
    if (writeError != 0) facts["keyWriteError"] = ErrorJson(writeError);
    const std::optional<std::wstring> folder = tsc::ReadEnvironmentVariable(kVariable);
    facts["variable"] = WideToUtf8(kVariable);
    facts["variableSet"] = folder.has_value();
    facts["variableValue"] = folder ? Json(WideToUtf8(*folder)) : Json(nullptr);
}

}  // namespace

std::string NoOverrideNote() {
    const OpenedKey opened = OpenMachineKey(tsc::ReleaseKeyPath(tsc::kRelease), KEY_READ);
    if (opened.error != 0 || !ReadRawValue(opened.key.get(), tsc::kPathOverrideValue).present) {
        return "no path override configured";
    }
    return "the path override switch is set but cannot be read as the library asks (see step "
           "2): no override";
}

void CheckReleaseValues(Context& context, Step& step) {
    AddRegistryFacts(step.facts);
    TscComponentManager manager{tsc::kRelease};
    const std::int32_t status = manager.ResolveInstallLocation();
    const bool used = !manager.PathOverrideActive();
    std::wstring folder = used ? manager.InstallPath() : std::wstring();
    step.facts["versionFolder"] = TextOrNull(folder);
    step.facts["versionFolderExists"] = nullptr;
    if (!folder.empty())
        AddExistence(step.facts, "versionFolderExists", "versionFolderError", folder);
    step.facts["usedByLibrary"] = used;
    step.facts["libraryStatus"] = status;
    if (!used) {
        step.Pass("not used: the path override supplies the folder (step 2).");
    } else if (status != tsc::status::kSuccess) {
        step.Fail("the library's folder resolution answers status " + std::to_string(status) +
                  SevereClause(context.received) + ".");
    } else if (!TscComponentManager::KeepUsableFolder(folder)) {
        step.Fail("the library rejects the folder" + SevereClause(context.received) + ".");
    } else {
        step.Pass("the registry names the folder " + Quoted(folder) + ", and it exists.");
    }
}

void CheckPathOverride(Context& context, Step& step) {
    AddOverrideFacts(step.facts);
    TscComponentManager manager{tsc::kRelease};
    const std::int32_t status = manager.ReadPathOverride(tsc::kRelease);
    step.facts["libraryStatus"] = status;
    step.facts["active"] = status == 0;
    if (status != tsc::status::kSuccess) {
        return step.Pass("not in effect (status " + std::to_string(status) +
                         "): the library uses the registry values (step 1).");
    }
    std::wstring folder = manager.InstallPath();
    AddExistence(step.facts, "folderExists", "folderError", folder);
    if (TscComponentManager::KeepUsableFolder(folder)) {
        return step.Pass("in effect: the folder is " + Quoted(folder) + ", from " +
                         WideToUtf8(kVariable) + ".");
    }
    step.Fail(WideToUtf8(kVariable) + " holds " + Quoted(manager.InstallPath()) +
              ", which the library rejects" + SevereClause(context.received) + ".");
}

}  // namespace tscdiag
