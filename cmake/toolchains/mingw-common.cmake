# Shared by the MinGW-w64 toolchains: Windows XP as the oldest target, so a
# call that XP lacks fails to compile, and a static link, so that the program
# needs no DLL beyond the system's own.
set(CMAKE_CXX_FLAGS_INIT "-D_WIN32_WINNT=0x0501 -DWINVER=0x0501")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
