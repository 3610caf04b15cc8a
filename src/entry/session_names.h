// The names a session start depends on, outside the registry.
#pragma once

namespace tsc {

// What the session is opened for, beside the release: the product line and the language.
inline constexpr char kProductLine[] = "TSC";
inline constexpr char kLanguage[] = "neutral";

// The host's release: the suffix of its registry key and of its override variable.
inline constexpr wchar_t kRelease[] = L"2026";

// A process whose PATH already contains this text must not initialize again.
inline constexpr wchar_t kSharedComponentsMarker[] = L"Tesmora Shared\\Components";

// Set to any value, even "0" or an empty one, this variable switches the whole start off.
inline constexpr wchar_t kBypassVariable[] = L"TSC_INITIALIZE_BYPASSED";

}  // namespace tsc
