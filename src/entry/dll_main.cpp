#include <windows.h>

#include <cstddef>  // names the C++ runtime (__GLIBCXX__ for GCC's)

#if defined(__MINGW32__) && defined(__GLIBCXX__)
// GCC's runtime, linked in statically, allocates an emergency pool for exceptions (about 73 KiB)
// at every load and never frees it on its own; this frees it.
namespace __gnu_cxx {
// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp): the runtime's own name
void __freeres() noexcept;
}  // namespace __gnu_cxx
#endif

// The library needs no notification of threads starting and ending. When it is unloaded by
// FreeLibrary (reserved is null), the runtime's exception pool is freed as the last act of this
// routine, so that a host that loads the library once per session keeps nothing per load; the
// static destructors that the runtime runs after it throw nothing. At process exit (reserved is
// not null) the memory goes with the process.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
#if defined(__MINGW32__) && defined(__GLIBCXX__)
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) __gnu_cxx::__freeres();
#else
    static_cast<void>(reserved);
#endif
    return TRUE;
}
