// A stand-in for the host's platform library: the process environment and the path separator.
// The host links its own DtPal in its place; only this surface is relied on.
#pragma once

#include <string>

#if defined(DTPAL_BUILDING)
#define DTPAL_API __declspec(dllexport)
#else
#define DTPAL_API __declspec(dllimport)
#endif

namespace Tesmora::Corvane::PAL {

class DTPAL_API Settings {
  public:
    // The process environment. Reads and writes go to the Win32 environment block, so a write
    // is seen by GetEnvironmentVariableW, by the loader's search of PATH and by child processes.
    class DTPAL_API Container {
      public:
        // The variable's current value, or defaultValue when it is not set. A variable that
        // exists with an empty value is set and yields the empty text.
        std::wstring getString(const wchar_t* name, const std::wstring& defaultValue) const;

        // Sets the variable for this process. The third argument asks for the value to be
        // kept beyond the process; this stand-in keeps nothing beyond it and ignores it.
        bool setString(const wchar_t* name, const wchar_t* value, bool persist);
    };

    static Container& envVars();
};

class DTPAL_API FileSystem {
  public:
    static wchar_t path_separator();
};

}  // namespace Tesmora::Corvane::PAL
