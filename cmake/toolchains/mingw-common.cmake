# Shared by the MinGW-w64 toolchain files, which set TRAWLEX_MINGW_ARCH (i686
# or x86_64) and TRAWLEX_MINGW_THREADS (win32 or posix). Compilers are named
# with their thread-model suffix: the unsuffixed names are alternatives that
# move when another flavour is installed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TRAWLEX_MINGW_ARCH})
set(triple ${TRAWLEX_MINGW_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-${TRAWLEX_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${triple}-g++-${TRAWLEX_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_OBJDUMP ${triple}-objdump CACHE FILEPATH "objdump for PE files")
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Windows XP as the oldest target, so that a call XP lacks fails to compile,
# and a static link, so that the program needs no DLL beyond the system's own.
set(CMAKE_CXX_FLAGS_INIT "-D_WIN32_WINNT=0x0501 -DWINVER=0x0501")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
