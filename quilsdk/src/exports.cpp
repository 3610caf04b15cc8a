// The five exports. Each records its call in the journal and answers either the result a test
// forced on it (QUILSDK_STANDIN_RESULT_<Export>) or the result of doing its work.
//
// A variant DLL that lacks one export is built from this same file with QUILSDK_WITHOUT_<Export>
// defined, so that a caller's handling of a missing entry point can be tested.
#include "exports.h"

#include <windows.h>

#include "environment.h"
#include "handed_out_text.h"
#include "journal_entry.h"
#include "quilsdk/standin.h"
#include "session_registry.h"
#include "standin_settings.h"

#include <optional>
#include <string>
#include <string_view>

namespace {

using namespace quilsdk_standin;

[[maybe_unused]] bool IsBlank(const char* text) { return text == nullptr || *text == '\0'; }

// A null text is treated like an empty one: neither names a session or a folder.
[[maybe_unused]] std::string_view View(const char* text) {
    return text != nullptr ? std::string_view(text) : std::string_view();
}

// Answers the forced result of exportName if a test set one, otherwise runs work.
template <typename Work>
std::int32_t ForcedOr(std::string_view exportName, Work work) {
    const std::optional<std::int32_t> forced = ForcedResult(exportName);
    return forced ? *forced : work();
}

[[maybe_unused]] std::int32_t OpenSession(const char* plc, const char* release, char** sessionId) {
    if (IsBlank(plc) || IsBlank(release) || sessionId == nullptr) {
        return kBadArgument;
    }
    switch (ReadSessionIdMode()) {
        case SessionIdMode::kNull:
            *sessionId = nullptr;
            return 0;
        case SessionIdMode::kEmpty:
            *sessionId = HandOutText("");
            return *sessionId != nullptr ? 0 : kOutOfMemory;
        case SessionIdMode::kMalformed:
            return kBadStandinSetting;
        case SessionIdMode::kNormal:
            break;
    }
    const std::string id = SessionRegistry::Instance().Open();
    char* text = HandOutText(id);
    if (text == nullptr) {
        SessionRegistry::Instance().Close(id);
        return kOutOfMemory;
    }
    *sessionId = text;
    return 0;
}

// The thread error mode of the thread that loaded the DLL, as it was then.
DWORD errorModeAtLoad = 0;

[[maybe_unused]] void RecordErrorMode() {
    if (!ReadVariable(kErrorModeVariable)) return;
    JournalEntry("ThreadErrorMode")
        .Word(std::to_string(errorModeAtLoad))
        .Word(std::to_string(GetThreadErrorMode()))
        .Record(0);
}

}  // namespace

#ifndef QUILSDK_WITHOUT_Initialize
std::int32_t Initialize(const char* plc, const char* release, const char* language,
                        char** sessionId) {
    RecordErrorMode();
    JournalEntry entry("Initialize");
    entry.Text(plc).Text(release).Text(language);
    const std::optional<std::int32_t> forced = ForcedResult("Initialize");
    if (forced) {
        // A forced result opens no session and hands out nothing.
        if (sessionId != nullptr) {
            *sessionId = nullptr;
        }
        return entry.Record(*forced);
    }
    return entry.Record(OpenSession(plc, release, sessionId));
}
#endif

#ifndef QUILSDK_WITHOUT_ReleaseMemory
std::int32_t ReleaseMemory(const char* sessionId, char** sessionIdPtr) {
    const bool set = sessionIdPtr != nullptr && *sessionIdPtr != nullptr;
    JournalEntry entry("ReleaseMemory");
    entry.Text(sessionId).Word(set ? "set" : "null");
    return entry.Record(ForcedOr("ReleaseMemory", [&] {
        // Only frees the text; the session itself stays open until Uninitialize.
        if (set) {
            ReclaimText(*sessionIdPtr);
            *sessionIdPtr = nullptr;
        }
        return 0;
    }));
}
#endif

#ifndef QUILSDK_WITHOUT_LockDirectory
std::int32_t LockDirectory(const char* sessionId, const char* directory) {
    JournalEntry entry("LockDirectory");
    entry.Text(sessionId).Text(directory);
    return entry.Record(ForcedOr("LockDirectory", [&] {
        return SessionRegistry::Instance().Lock(View(sessionId), View(directory));
    }));
}
#endif

#ifndef QUILSDK_WITHOUT_UnLockDirectory
std::int32_t UnLockDirectory(const char* sessionId, const char* directory) {
    JournalEntry entry("UnLockDirectory");
    entry.Text(sessionId).Text(directory);
    return entry.Record(ForcedOr("UnLockDirectory", [&] {
        return SessionRegistry::Instance().Unlock(View(sessionId), View(directory));
    }));
}
#endif

#ifndef QUILSDK_WITHOUT_Uninitialize
std::int32_t Uninitialize(const char* sessionId) {
    JournalEntry entry("Uninitialize");
    entry.Text(sessionId);
    return entry.Record(ForcedOr(
        "Uninitialize", [&] { return SessionRegistry::Instance().Close(View(sessionId)); }));
}
#endif

#if defined(__MINGW32__) && defined(__GLIBCXX__)
// Frees the emergency exception pool of GCC's statically linked runtime, which it allocates at
// every load and never frees on its own.
namespace __gnu_cxx {
void __freeres() noexcept;
}
#endif

// A process loads the stand-in once per session: an unload by FreeLibrary (reserved is null)
// frees the runtime's exception pool as this routine's last act, so that nothing stays behind
// per load (the static destructors that run after it throw nothing). The variant built with
// QUILSDK_REFUSE_LOAD refuses to be loaded into any process, so that a loader's own failure can
// be tested.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) errorModeAtLoad = GetThreadErrorMode();
#ifdef QUILSDK_REFUSE_LOAD
    if (reason == DLL_PROCESS_ATTACH) return FALSE;
#endif
#if defined(__MINGW32__) && defined(__GLIBCXX__)
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) __gnu_cxx::__freeres();
#else
    static_cast<void>(reason);
    static_cast<void>(reserved);
#endif
    return TRUE;
}
