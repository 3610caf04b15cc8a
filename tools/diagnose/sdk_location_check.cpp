// Step 3: where the installer recorded the installer-service SDK library, as stored and as the
// library expands it.
#include "checks.h"
#include "facts.h"
#include "location/existence.h"
#include "location/text_conversion.h"

namespace tscdiag {
namespace {

constexpr wchar_t kSdkKey[] = L"SOFTWARE\\Tesmora\\QUIL\\";
constexpr wchar_t kSdkValue[] = L"QUILSDKLocation";

// Environment references expanded into a MAX_PATH buffer, as the library does; nothing when
// the expansion fails or does not fit.
std::optional<std::wstring> Expanded(const std::wstring& stored) {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD needed = ExpandEnvironmentStringsW(stored.c_str(), buffer, MAX_PATH);
    if (needed == 0 || needed > MAX_PATH) return std::nullopt;
    return std::wstring(buffer);
}

void CheckExpandedPath(const std::wstring& stored, Context& context, Step& step) {
    const std::optional<std::wstring> expanded = Expanded(stored);
    step.facts.push_back({"expanded", "Expanded", expanded ? Value(*expanded) : Value()});
    if (!expanded) {
        Fail(step, "the recorded path cannot be expanded into at most 259 characters.");
        return;
    }
    const tsc::Existence found = tsc::QueryExistence(*expanded);
    step.facts.push_back({"expandedExists", "Something exists there", found.exists});
    if (found.error != 0) {
        Object error;
        AddErrorFields(error, found.error);
        step.facts.push_back({"statusError", "Status query failed", std::move(error)});
        Fail(step, "the status of " + Quoted(*expanded) + " cannot be read.");
    } else if (!found.exists) {
        Fail(step, "nothing exists at " + Quoted(*expanded) + ".");
    } else {
        context.sdkPath = *expanded;
        Pass(step, "the SDK library is recorded at " + Quoted(*expanded) + ".");
    }
}

}  // namespace

void CheckSdkLocation(Context& context, Step& step) {
    step.facts.push_back({"key", "Key", std::wstring(L"HKLM\\") + kSdkKey});
    const OpenedKey opened = OpenMachineKey(kSdkKey, KEY_READ);
    step.facts.push_back({"keyOpened", "Key opened", opened.error == 0});
    if (opened.error != 0) {
        AddErrorFields(step.facts, opened.error);
        Fail(step, "the installer's key cannot be opened: the installer service is not installed.");
        return;
    }
    const RawValue value = ReadRawValue(opened.key.get(), kSdkValue);
    step.facts.push_back({"value", "QUILSDKLocation", DescribeValue(value, true)});
    if (!value.present) {
        Fail(step, "the value QUILSDKLocation is missing: the SDK library cannot be found.");
        return;
    }
    const std::wstring stored = DataAsText(value.data);
    if (stored.empty()) {
        Fail(step, "the value QUILSDKLocation is empty: the SDK library cannot be found.");
        return;
    }
    CheckExpandedPath(stored, context, step);
}

}  // namespace tscdiag
