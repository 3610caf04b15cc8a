// Step 2: whether the folder comes from the environment instead of the installer's values, as
// the library's override step answered in step 1.
#include "checks.h"
#include "facts.h"
#include "location/environment_variable.h"
#include "location/release_key.h"
#include "registry_value.h"

namespace tscdiag {
namespace {

const std::wstring kVariable = tsc::PathOverrideVariable(tsc::kRelease);

void AddOverrideFacts(Json& facts) {
    const std::wstring keyPath = tsc::ReleaseKeyPath(tsc::kRelease);
    const OpenedKey reader = OpenMachineKey(keyPath, KEY_READ);
    facts["enablePathOverride"] = DescribeValue(
        reader.error == 0 ? ReadRawValue(reader.key.get(), tsc::kPathOverrideValue) : RawValue(),
        false);
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

void CheckPathOverride(Context& context, Step& step) {
    step.diagnostics = context.overrideDiagnostics;
    AddOverrideFacts(step.facts);
    const std::int32_t status = context.overrideStatus;
    step.facts["libraryStatus"] = status;
    step.facts["active"] = status == 0;
    if (status != 0) {
        step.Pass("not in effect (status " + std::to_string(status) +
                  "): the library uses the registry values (step 1).");
        return;
    }
    std::wstring folder = context.manager.InstallPath();
    AddExistence(step.facts, "folderExists", "folderError", folder);
    if (!TscComponentManager::KeepUsableFolder(folder)) {
        step.Fail(WideToUtf8(kVariable) + " holds " + Quoted(context.manager.InstallPath()) +
                  ", which the library rejects" + SevereClause(context.capture.Pending()) + ".");
    } else {
        step.Pass("in effect: the folder is " + Quoted(folder) + ", from " + WideToUtf8(kVariable) +
                  ".");
    }
}

}  // namespace tscdiag
