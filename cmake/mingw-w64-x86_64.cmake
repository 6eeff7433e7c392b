# Cross build for 64-bit Windows with Debian's MinGW-w64 (POSIX threads flavour).
#   cmake -S . -B build-mingw -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DTESSAPORT_BUILD_GUI=OFF
# Tests run under Wine through CMAKE_CROSSCOMPILING_EMULATOR; scripts/test-windows.sh does it all.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TESSAPORT_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TESSAPORT_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TESSAPORT_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TESSAPORT_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TESSAPORT_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthread linked in, so the programs run without any DLL beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Debian's wine64 loader runs 64-bit programs without the wine32 warning of the wrapper.
find_program(TESSAPORT_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(TESSAPORT_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TESSAPORT_WINE})
endif()

# GoogleTest is not packaged for MinGW; find_package(GTest) builds it from Debian's sources.
list(APPEND CMAKE_PROJECT_TOP_LEVEL_INCLUDES ${CMAKE_CURRENT_LIST_DIR}/GTestFromSource.cmake)
