// Step 1: the values the installer recorded for the release, and the library's install-location
// step on them.
#include "checks.h"
#include "facts.h"
#include "location/release_key.h"
#include "registry_value.h"

namespace tscdiag {
namespace {

void AddRegistryFacts(Json& facts) {
    const OpenedKey opened = AddKeyFacts(facts, tsc::ReleaseKeyPath(tsc::kRelease));
    if (opened.error != 0) return;
    for (const wchar_t* name :
         {tsc::kInstallPathValue, tsc::kVersionValue, tsc::kPathOverrideValue}) {
        facts["values"][WideToUtf8(name)] =
            DescribeValue(ReadRawValue(opened.key.get(), name), name != tsc::kPathOverrideValue);
    }
    const RawValue root = ReadRawValue(opened.key.get(), tsc::kInstallPathValue);
    if (!root.present) return;
    facts["installRoot"] = WideToUtf8(ValueText(root));
    AddExistence(facts, "installRootExists", "installRootError", ValueText(root));
}

}  // namespace

void CheckReleaseValues(Context& context, Step& step) {
    // A session start asks the override first; its answer belongs to step 2.
    context.overrideStatus = context.manager.ReadPathOverride(tsc::kRelease);
    context.overrideDiagnostics = context.capture.Take();
    AddRegistryFacts(step.facts);
    step.facts["usedByLibrary"] = context.overrideStatus != 0;
    if (context.overrideStatus == 0) {
        step.Pass("not used: the path override supplies the folder (step 2).");
        return;
    }
    const std::int32_t status = context.manager.ReadInstallLocation(tsc::kRelease);
    std::wstring folder = context.manager.InstallPath();
    step.facts["libraryStatus"] = status;
    step.facts["versionFolder"] = TextOrNull(folder);
    if (!folder.empty())
        AddExistence(step.facts, "versionFolderExists", "versionFolderError", folder);
    if (status != 0) {
        step.Fail("the install-location step answers status " + std::to_string(status) +
                  SevereClause(context.capture.Pending()) + ".");
    } else if (!TscComponentManager::KeepUsableFolder(folder)) {
        step.Fail("the library rejects the folder" + SevereClause(context.capture.Pending()) + ".");
    } else {
        step.Pass("the registry names the folder " + Quoted(folder) + ", and it exists.");
    }
}

}  // namespace tscdiag
