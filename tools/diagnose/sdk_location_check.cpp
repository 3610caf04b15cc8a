// Step 3: where the installer recorded the installer-service SDK library, and whether the
// library's own lookup finds it there.
#include "checks.h"
#include "loader/sdk_location.h"

namespace tscdiag {
namespace {

// Every reference expanded, however long the result: only to show what the recorded text names.
std::wstring FullyExpanded(const std::wstring& text) {
    std::wstring out(ExpandEnvironmentStringsW(text.c_str(), nullptr, 0), L'\0');
    const DWORD length =
        ExpandEnvironmentStringsW(text.c_str(), out.data(), static_cast<DWORD>(out.size()));
    out.resize(length > 0 && length <= out.size() ? length - 1 : 0);
    return out;
}

void AddRecordedFacts(Json& facts) {
    const OpenedKey opened = AddKeyFacts(facts, tsc::kSdkKey);
    if (opened.error != 0) return;
    const RawValue value = ReadRawValue(opened.key.get(), tsc::kSdkValue);
    facts["value"] = DescribeValue(value, true);
    if (!value.present) return;
    const std::wstring expanded = FullyExpanded(ValueText(value));
    facts["expanded"] = TextOrNull(expanded);
    facts["expandedExists"] = false;
    if (!expanded.empty()) AddExistence(facts, "expandedExists", "statusError", expanded);
}

}  // namespace

void CheckSdkLocation(Context& context, Step& step) {
    AddRecordedFacts(step.facts);
    tsc::FileSystemFailure failure;
    context.wrapper.GetDllPath(failure);
    if (failure) return FailQuery(step, *failure);
    const std::wstring& found = context.wrapper.SdkPath();
    step.facts["sdkPath"] = TextOrNull(found);
    if (!found.empty()) return step.Pass("the SDK library is recorded at " + Quoted(found) + ".");
    step.Fail("the SDK location lookup finds no file" + LogErrorClause(context.LogLines()) + ".");
}

}  // namespace tscdiag
