# Answers find_package(GTest) and find_package(GMock) by building GoogleTest from source, for
# cross builds where no GoogleTest library for the target exists. Debian's libgtest-dev ships
# the sources; nothing is downloaded.
set(TESSAPORT_GTEST_SOURCE_DIR /usr/src/googletest
    CACHE PATH "GoogleTest sources built for cross builds")

function(tessaport_gtest_from_source method name)
    if(NOT name MATCHES "^(GTest|GMock)$")
        return()
    endif()
    if(NOT TARGET gtest)
        if(NOT EXISTS ${TESSAPORT_GTEST_SOURCE_DIR}/CMakeLists.txt)
            message(FATAL_ERROR "GoogleTest sources not found in ${TESSAPORT_GTEST_SOURCE_DIR}"
                " (Debian: apt-get install libgtest-dev googletest)")
        endif()
        set(INSTALL_GTEST OFF)
        set(BUILD_GMOCK ON)
        # GoogleTest is third-party code: our -Werror and warning set are not for it.
        get_directory_property(ownOptions COMPILE_OPTIONS)
        set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
        add_subdirectory(${TESSAPORT_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/_deps/googletest
            EXCLUDE_FROM_ALL SYSTEM)
        set_directory_properties(PROPERTIES COMPILE_OPTIONS "${ownOptions}")
        # The names FindGTest gives besides the ones GoogleTest defines itself.
        add_library(GTest::GTest ALIAS gtest)
        add_library(GTest::Main ALIAS gtest_main)
    endif()
    set(${name}_FOUND TRUE PARENT_SCOPE)
endfunction()

cmake_language(SET_DEPENDENCY_PROVIDER tessaport_gtest_from_source
    SUPPORTED_METHODS FIND_PACKAGE)
