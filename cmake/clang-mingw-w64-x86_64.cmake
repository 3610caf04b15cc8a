# Cross build for 64-bit Windows with Debian's clang and lld, for the same MinGW-w64 target as
# mingw-w64-x86_64.cmake: MinGW's headers and C runtime, and the MinGW GCC's libstdc++ and libgcc.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${TOOLCHAIN_PREFIX})
set(CMAKE_CXX_COMPILER_TARGET ${TOOLCHAIN_PREFIX})
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_OBJDUMP ${TOOLCHAIN_PREFIX}-objdump)

# Clang finds MinGW's headers and C runtime on its own, but not the GCC's C++ headers and
# libraries.
set(MINGW_GCC_DIR /usr/lib/gcc/${TOOLCHAIN_PREFIX}/12-posix)
set(CMAKE_CXX_FLAGS_INIT "-isystem ${MINGW_GCC_DIR}/include/c++ \
-isystem ${MINGW_GCC_DIR}/include/c++/${TOOLCHAIN_PREFIX} -isystem ${MINGW_GCC_DIR}/include/c++/backward")
# -pthread adds winpthreads after libstdc++, which needs it when linked statically.
foreach(kind EXE SHARED MODULE)
    set(CMAKE_${kind}_LINKER_FLAGS_INIT "-fuse-ld=lld -L${MINGW_GCC_DIR} -pthread")
endforeach()
# lld's MinGW driver has no --push-state/--pop-state, which CMake would use for WHOLE_ARCHIVE;
# it then uses --whole-archive ... --no-whole-archive.
set(_CMAKE_LINKER_PUSHPOP_STATE_SUPPORTED FALSE CACHE INTERNAL "lld's MinGW driver lacks --push-state")

include(${CMAKE_CURRENT_LIST_DIR}/mingw-target.cmake)
