# Installs the build into a fresh prefix, builds the consumer against the installed package with
# the same toolchain, and runs it under Wine beside the installed DLLs.
# Run with -DBUILD_DIR=... -DSOURCE_DIR=... -DTOOLCHAIN=... -DWINE_RUN=... -P.
set(work ${BUILD_DIR}/consumer-test)
file(REMOVE_RECURSE ${work})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${work}/prefix
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "install failed")
endif()
foreach(expected bin/dttscsdk.dll bin/DtPal.dll lib/libdttscsdk.dll.a include/dttscsdk/dttscsdk.h
                 lib/cmake/dttscsdk/dttscsdkConfig.cmake)
    if(NOT EXISTS ${work}/prefix/${expected})
        message(FATAL_ERROR "not installed: ${expected}")
    endif()
endforeach()
file(GLOB_RECURSE stray ${work}/prefix/*quilsdk* ${work}/prefix/*.key ${work}/prefix/*.pem)
if(stray)
    message(FATAL_ERROR "test material installed: ${stray}")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${work}/build -G Ninja
                        -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}
                        -Ddttscsdk_DIR=${work}/prefix/lib/cmake/dttscsdk
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "configure failed:\n${out}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${work}/build
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "build failed:\n${out}")
endif()

file(COPY ${work}/build/consumer.exe DESTINATION ${work}/prefix/bin)
execute_process(COMMAND ${WINE_RUN} ${work}/prefix/bin/consumer.exe
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT result EQUAL 0 OR NOT out MATCHES "update before start: false")
    message(FATAL_ERROR "consumer run failed (${result}): ${out} ${err}")
endif()
file(REMOVE_RECURSE ${work})
message(STATUS "consumer built against the installed package and ran: ${out}")
