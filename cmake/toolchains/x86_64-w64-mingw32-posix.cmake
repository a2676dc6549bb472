# Cross build for Windows with Debian's MinGW-w64 x86_64 compilers, posix thread model.
set(TRAWLEX_MINGW_ARCH x86_64)
set(TRAWLEX_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
