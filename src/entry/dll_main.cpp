#include <windows.h>

#include <cstddef>  // names the C++ runtime (__GLIBCXX__ for GCC's)

#if defined(__MINGW32__) && defined(__GLIBCXX__)
#include <cstdlib>

// GCC's runtime, linked in statically, allocates an emergency pool for exceptions (about 73 KiB)
// at every load and never frees it on its own; this frees it.
namespace __gnu_cxx {
// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp): the runtime's own name
void __freeres() noexcept;
}  // namespace __gnu_cxx

namespace {

// True when FreeLibrary unloads the library; at process exit the memory goes with the process.
bool unloadedByFreeLibrary = false;

void FreeRuntimePool() {
    if (unloadedByFreeLibrary) __gnu_cxx::__freeres();
}

// The runtime runs a DLL's exit handlers after DllMain has seen the detach, in the reverse order
// of their registration. Registered before any static object of the library is built, this one
// runs after the last of them is destroyed: freeing the pool is the library's last act, so that
// a host that loads the library once per session keeps nothing per load.
__attribute__((constructor(101))) void RegisterRuntimePoolRelease() {
    std::atexit(FreeRuntimePool);  // NOLINT(cert-err33-c): nothing to do if it cannot register
}

}  // namespace
#endif

// The library needs no notification of threads starting and ending.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
#if defined(__MINGW32__) && defined(__GLIBCXX__)
    if (reason == DLL_PROCESS_DETACH) unloadedByFreeLibrary = reserved == nullptr;
#else
    static_cast<void>(reserved);
#endif
    return TRUE;
}
