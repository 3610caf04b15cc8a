# What is installed beside the DLL, its import library, header and CMake package (src/): the
# symbols of the shipped binaries, the documentation and the notices of the runtime parts linked
# into them. The DtPal stand-in is never installed: the application brings its own DtPal.
include(GNUInstallDirs)

set(shipped_binaries dttscsdk)
if(TARGET tscdiag)
    list(APPEND shipped_binaries tscdiag)
endif()
foreach(binary IN LISTS shipped_binaries)
    if(MINGW AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        # lld writes <name>.pdb beside the binary (cmake/codeview_reproducible.cmake).
        install(FILES $<TARGET_FILE_DIR:${binary}>/$<TARGET_FILE_BASE_NAME:${binary}>.pdb
                DESTINATION ${CMAKE_INSTALL_BINDIR})
    elseif(MSVC)
        install(FILES $<TARGET_PDB_FILE:${binary}> DESTINATION ${CMAKE_INSTALL_BINDIR} OPTIONAL)
    endif()
endforeach()

install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/notices/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/notices)
