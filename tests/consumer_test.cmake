# Builds the consumer, a tiny host, against an installed package with each given toolchain, as an
# application's developers would, and runs it under Wine beside the package's DLL and the host's
# DtPal (the build's stand-in plays it).
# Run with -DBUILD_DIR=... -DSOURCE_DIR=... -DTOOLCHAINS=<file>[;<file>...] -DWINE_RUN=... -P;
# -DPACKAGE=<unpacked package folder> uses that package, otherwise BUILD_DIR is installed afresh.
set(work ${BUILD_DIR}/consumer-test)
file(REMOVE_RECURSE ${work})
if(PACKAGE)
    set(prefix ${PACKAGE})
else()
    set(prefix ${work}/prefix)
    execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                    RESULT_VARIABLE result OUTPUT_QUIET)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "install failed")
    endif()
endif()
foreach(expected bin/dttscsdk.dll lib/libdttscsdk.dll.a include/dttscsdk/dttscsdk.h
                 lib/cmake/dttscsdk/dttscsdkConfig.cmake)
    if(NOT EXISTS ${prefix}/${expected})
        message(FATAL_ERROR "not installed: ${expected}")
    endif()
endforeach()
file(GLOB_RECURSE stray ${prefix}/*quilsdk* ${prefix}/*.key ${prefix}/*.pem ${prefix}/bin/DtPal.dll)
if(stray)
    message(FATAL_ERROR "test material or the DtPal stand-in installed: ${stray}")
endif()

foreach(toolchain IN LISTS TOOLCHAINS)
    get_filename_component(name ${toolchain} NAME_WE)
    set(build ${work}/${name})
    execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${build} -G Ninja
                            -DCMAKE_TOOLCHAIN_FILE=${toolchain}
                            -Ddttscsdk_DIR=${prefix}/lib/cmake/dttscsdk
                    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "configure with ${name} failed:\n${out}")
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} --build ${build}
                    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "build with ${name} failed:\n${out}")
    endif()

    file(COPY ${build}/consumer.exe ${prefix}/bin/dttscsdk.dll ${BUILD_DIR}/bin/DtPal.dll
         DESTINATION ${build}/run)
    execute_process(COMMAND ${WINE_RUN} ${build}/run/consumer.exe
                    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT result EQUAL 0 OR NOT out MATCHES "update before start: false")
        message(FATAL_ERROR "consumer built with ${name} failed (${result}): ${out} ${err}")
    endif()
    message(STATUS "consumer built with ${name} against the package ran: ${out}")
endforeach()
file(REMOVE_RECURSE ${work})
