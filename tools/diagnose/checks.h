// The numbered checks of a diagnosis. Each fills the facts, verdict and summary of its step; the
// steps run in this order, and later steps use what earlier ones found (Context).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "entry/session_names.h"
#include "entry/tsc_component_manager.h"
#include "location/text_conversion.h"
#include "common/win_handles.h"
#include "report.h"
#include "wrapper/quil_api_wrapper_impl.h"

namespace tscdiag {

struct Context {
    // The library's messages received so far during the running step.
    std::vector<Diagnostic> received;
    // The wrapper log named by the environment, and its size when the running step began.
    std::wstring logPath;
    std::uintmax_t logStart = 0;
    // Steps 3 and 5 ask a wrapper of the tool's own, so that nothing they find or remember
    // reaches the session of steps 8 to 10.
    QUILAPIWrapperImpl wrapper;
    // dtutInitializeTSC answered true.
    bool initialized = false;

    // The whole lines appended to the wrapper log since the running step began, without their
    // line ends. Other processes may append meanwhile; their lines then show up too.
    std::vector<std::string> LogLines() const;
};

// Small helpers that turn platform results, registry values and the library's answers into
// report facts (facts.cpp).
// {"error": code, "errorText": the system's text for it}.
Json ErrorJson(std::uint32_t code);

// `existsKey`: whether something exists at the path; `errorKey`, only when the status query
// failed for another reason than absence: that error.
void AddExistence(Json& facts, const char* existsKey, const char* errorKey,
                  const std::wstring& path);

// A path or value in double quotes, as UTF-8.
std::string Quoted(const std::wstring& text);
// UTF-8; null for an empty text.
Json TextOrNull(const std::wstring& text);

// "0x800B0100".
std::string Hex32(std::uint32_t value);
// "01 00 00 00".
std::string HexBytes(std::string_view bytes);
// Bytes of unknown content shown safely: printable ASCII as is, a backslash as \\, every other
// byte as \xHH (so "42" followed by CR LF shows as 42\x0D\x0A).
std::string EscapedBytes(std::string_view bytes);

// What the override step's FATAL message means here: on a machine without an override the
// switch is simply missing (the usual case); otherwise the switch is there but the library
// cannot read it as it asks (step 2 shows why). Never a cause of a failure.
std::string NoOverrideNote();

// ": "<the last ERROR or FATAL message>"", or nothing when the library emitted none; messages
// with a note (no override configured) are no cause.
std::string SevereClause(const std::vector<Diagnostic>& diagnostics);
// ": "<the first line that says why a start loaded no SDK>"" of wrapper log lines, without its
// time stamp: the first [ERROR] line, or the load's self-update line; nothing without one.
std::string LogErrorClause(const std::vector<std::string>& lines);

// Fails the step for a status query of the library that failed for another reason than absence.
void FailQuery(Step& step, const tsc::FileSystemError& error);

// Registry keys and values read as they are stored (type, size, bytes).
struct OpenedKey {
    tsc::UniqueRegKey key;
    DWORD error = 0;  // 0 when opened
};

OpenedKey OpenMachineKey(const std::wstring& path, REGSAM access);

// "key" (HKLM\ and the path) and "keyOpened", with the error when it cannot be opened to read.
OpenedKey AddKeyFacts(Json& facts, const std::wstring& path);

struct RawValue {
    bool present = false;
    DWORD error = 0;  // a failure other than "not there"
    DWORD type = REG_NONE;
    std::string data;
};

RawValue ReadRawValue(HKEY key, const wchar_t* name);

// The data as UTF-16 text up to its first NUL (tsc::RegistryText).
std::wstring ValueText(const RawValue& value);

// present, type, typeCode, size and, when present, the text or (withText false) the bytes in hex.
Json DescribeValue(const RawValue& value, bool withText);

void CheckReleaseValues(Context& context, Step& step);   // 1
void CheckPathOverride(Context& context, Step& step);    // 2
void CheckSdkLocation(Context& context, Step& step);     // 3
void CheckSelfUpdate(Context& context, Step& step);      // 4
void CheckSdkSignature(Context& context, Step& step);    // 5
void CheckPathVariable(Context& context, Step& step);    // 6
void CheckBypassVariable(Context& context, Step& step);  // 7
void CheckSessionStart(Context& context, Step& step);    // 8
void CheckPathUpdate(Context& context, Step& step);      // 9
void CheckTeardown(Context& context, Step& step);        // 10

}  // namespace tscdiag
