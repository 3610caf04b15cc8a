# The clang/lld build's binaries are the ones shipped: Windows debuggers read their symbols, and
# two builds of one commit give the same bytes wherever and whenever they are made.
#
# - CodeView instead of DWARF, in a PDB beside each DLL and program. The debug record names the
#   PDB by file name only: a debugger finds it beside the binary or on its symbol path.
# - The MinGW C runtime's objects carry DWARF, which lld keeps whenever it writes a PDB: it is
#   stripped from each binary right after the link (the PDB describes the binary as linked; the
#   DWARF sections come last and leave the rest of the file as it was).
# - No build-machine path: the compiler names files relative to the source folder (and those of
#   the build folder relative to it), and lld makes every relative path in the PDB absolute under
#   the fixed root C:\dttscsdk: a debugger finds the sources once that root is mapped to a checkout
#   of the commit. The linker's working folder (the build folder) becomes that root as well.
# - No time: lld writes no time stamp, and /Brepro derives the PDB's GUID from the contents.
set(DTTSCSDK_PDB_SOURCE_ROOT "C:\\dttscsdk")
# clang 14 also records each compile's command line, which no option leaves out: compiles run
# through compile-relative.sh, which names the source folder source/ (a link in the build folder)
# and the build folder's files relative to it; the compiler then maps source/ away.
file(CREATE_LINK ${PROJECT_SOURCE_DIR} ${CMAKE_BINARY_DIR}/source SYMBOLIC)
foreach(lang C CXX)
    set(CMAKE_${lang}_COMPILER_LAUNCHER
        ${PROJECT_SOURCE_DIR}/cmake/compile-relative.sh ${PROJECT_SOURCE_DIR} ${CMAKE_BINARY_DIR})
endforeach()
add_compile_options(-gcodeview -fdebug-compilation-dir=. -fcoverage-compilation-dir=.
    -ffile-prefix-map=source/=)
add_link_options(-Wl,--pdb= -Wl,--no-insert-timestamp -Wl,--Xlink=/Brepro
    -Wl,--Xlink=/pdbaltpath:%_PDB% "-Wl,--Xlink=/pdbsourcepath:${DTTSCSDK_PDB_SOURCE_ROOT}")

find_program(LLVM_OBJCOPY NAMES llvm-objcopy llvm-objcopy-14 REQUIRED)
foreach(lang C CXX)
    foreach(rule CREATE_SHARED_LIBRARY CREATE_SHARED_MODULE LINK_EXECUTABLE)
        string(APPEND CMAKE_${lang}_${rule} " && ${LLVM_OBJCOPY} --strip-debug <TARGET>")
    endforeach()
endforeach()

# The clang driver hands the folders of LIBRARY_PATH to the linker, which records them in the PDB:
# links run without it.
foreach(lang C CXX)
    set(CMAKE_${lang}_LINKER_LAUNCHER env -u LIBRARY_PATH)
endforeach()
