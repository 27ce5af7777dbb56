# JSON for Modern C++ (Debian's nlohmann-json3-dev), header-only. A
# cross-compiling build must not search the build machine's /usr/include, so
# the headers are made visible there through a folder of their own.

find_path(ADRECA_NLOHMANN_JSON_DIR nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(ADRECA_JSON_INCLUDE ${CMAKE_BINARY_DIR}/json-include)
file(MAKE_DIRECTORY ${ADRECA_JSON_INCLUDE})
file(CREATE_LINK ${ADRECA_NLOHMANN_JSON_DIR}/nlohmann ${ADRECA_JSON_INCLUDE}/nlohmann SYMBOLIC)
add_library(adreca_json INTERFACE)
target_include_directories(adreca_json SYSTEM INTERFACE ${ADRECA_JSON_INCLUDE})
