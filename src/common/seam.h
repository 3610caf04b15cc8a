// A test seam: one indirection through which a unit test injects a fault that cannot be produced
// for real, or acts at one precise moment.
//
// Only the build of the library that the unit tests and the step profile link defines
// DTTSCSDK_TEST_SEAMS: there a seam is a writable pointer to the real function, which a test may
// point elsewhere. The shipped DLL and tscdiag are built without it: there a seam is a forwarder
// that the compiler turns into a direct call of the real function, so that nothing writable
// stands between the library and the platform, and the DLL carries no seam.
#pragma once

#include <utility>

namespace tsc::seam_detail {

// Calls `real` with each argument converted to the type the function declares for it, as a
// direct call would.
template <typename Result, typename... Params, typename... Args>
Result Forward(Result (*real)(Params...), Args&&... args) {
    return real(static_cast<Params>(std::forward<Args>(args))...);
}

}  // namespace tsc::seam_detail

// `name` is the declared seam itself, which cannot stand in parentheses.
// NOLINTBEGIN(bugprone-macro-parentheses)
#ifdef DTTSCSDK_TEST_SEAMS
#define TSC_SEAM(name, real) inline decltype(&(real)) name = &(real)
#else
#define TSC_SEAM(name, real)                                                      \
    template <typename... Args>                                                   \
    inline decltype(auto) name(Args&&... args) {                                  \
        return ::tsc::seam_detail::Forward(&(real), std::forward<Args>(args)...); \
    }                                                                             \
    static_assert(true)
#endif
// NOLINTEND(bugprone-macro-parentheses)
