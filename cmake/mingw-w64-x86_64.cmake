# Cross build for 64-bit Windows with Debian's MinGW-w64 (POSIX threads flavour).
#   cmake -S . -B build-mingw -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# Tests run under Wine through CMAKE_CROSSCOMPILING_EMULATOR; scripts/test-windows.sh does it all.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TESSAPORT_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MinGwToolchain.cmake)

# Debian's wine64 loader runs 64-bit programs without the wine32 warning of the wrapper.
find_program(TESSAPORT_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(TESSAPORT_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TESSAPORT_WINE})
endif()
