# nlohmann/json, header-only, from the build machine's package (nlohmann-json3-dev). The cross
# build must not search the machine's own /usr/include, so it gets a folder of the build that
# holds nothing but a link to the package's header folder.
set(NLOHMANN_JSON_HEADERS /usr/include/nlohmann CACHE PATH "The folder that holds nlohmann/json.hpp's headers")
if(NOT EXISTS ${NLOHMANN_JSON_HEADERS}/json.hpp)
    message(FATAL_ERROR "nlohmann/json not found in ${NLOHMANN_JSON_HEADERS}: run scripts/install-deps.sh")
endif()
set(NLOHMANN_JSON_INCLUDE ${CMAKE_BINARY_DIR}/nlohmann_json/include)
file(MAKE_DIRECTORY ${NLOHMANN_JSON_INCLUDE})
file(CREATE_LINK ${NLOHMANN_JSON_HEADERS} ${NLOHMANN_JSON_INCLUDE}/nlohmann SYMBOLIC)
add_library(nlohmann_json_headers INTERFACE)
target_include_directories(nlohmann_json_headers SYSTEM INTERFACE ${NLOHMANN_JSON_INCLUDE})
