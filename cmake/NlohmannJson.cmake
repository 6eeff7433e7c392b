# nlohmann-json3-dev is header-only. Native builds use its CMake package; a cross build takes a
# copy of its headers alone, as the host's include folder must not reach the cross compiler.
if(TARGET nlohmann_json::nlohmann_json)
    return()
endif()
if(CMAKE_CROSSCOMPILING)
    find_path(TESSAPORT_JSON_INCLUDE nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH
        NO_DEFAULT_PATH REQUIRED)
    set(json_headers ${CMAKE_BINARY_DIR}/nlohmann-json)
    file(COPY ${TESSAPORT_JSON_INCLUDE}/nlohmann DESTINATION ${json_headers})
    add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
    target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${json_headers})
else()
    find_package(nlohmann_json 3 REQUIRED)
endif()
