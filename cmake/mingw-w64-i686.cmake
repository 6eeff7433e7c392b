# Cross build for 32-bit Windows with Debian's MinGW-w64 (POSIX threads flavour). A 32-bit
# build runs on every Windows, 32 or 64 bits.
#   cmake -S . -B build-mingw32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
# These machines run no 32-bit code, so its tests are built but not run here.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TESSAPORT_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MinGwToolchain.cmake)
