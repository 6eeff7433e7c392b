# What both MinGW-w64 toolchain files share; they set CMAKE_SYSTEM_PROCESSOR and
# TESSAPORT_MINGW_TRIPLET first.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${TESSAPORT_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TESSAPORT_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TESSAPORT_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TESSAPORT_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthread linked in, so the programs run without any DLL beside them.
# No link time in the PE header, so that two builds of one commit give the same bytes.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--no-insert-timestamp")
# Release builds ship without symbols.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
set(CMAKE_EXE_LINKER_FLAGS_MINSIZEREL_INIT "-s")

# GoogleTest is not packaged for MinGW; find_package(GTest) builds it from Debian's sources.
list(APPEND CMAKE_PROJECT_TOP_LEVEL_INCLUDES ${CMAKE_CURRENT_LIST_DIR}/GTestFromSource.cmake)
