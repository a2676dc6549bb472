# Cross build for Windows with Debian's MinGW-w64 i686 compilers, posix thread model.
set(TRAWLEX_MINGW_ARCH i686)
set(TRAWLEX_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
