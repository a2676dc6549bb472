cmake_minimum_required(VERSION 3.25)

# wine-run --start-server with a loader that cannot start, as on a machine
# that refuses 32-bit programs: it must fail, and its output must hold what
# the loader said. Run with -DTEMPLATE=<wine-run.in> -DWORK_DIR=<folder>.
file(REMOVE_RECURSE ${WORK_DIR})
set(message "wine: loader cannot start here (stand-in for Exec format error)")
set(TRAWLEX_WINE_LOADER ${WORK_DIR}/loader)
file(WRITE ${TRAWLEX_WINE_LOADER} "#!/bin/sh\necho '${message}' >&2\nexit 126\n")
file(CHMOD ${TRAWLEX_WINE_LOADER} PERMISSIONS OWNER_READ OWNER_EXECUTE)
set(TRAWLEX_WINEPREFIX ${WORK_DIR}/wineprefix)
set(TRAWLEX_WINEARCH win64)
configure_file(${TEMPLATE} ${WORK_DIR}/wine-run @ONLY FILE_PERMISSIONS OWNER_READ OWNER_EXECUTE)

execute_process(COMMAND ${WORK_DIR}/wine-run --start-server RESULT_VARIABLE status
                OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(status EQUAL 0)
  message(FATAL_ERROR "the start of Wine with a loader that cannot start was reported as a success")
endif()
string(FIND "${out}" "${message}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the failed start does not show the loader's message; it printed:\n${out}")
endif()
message(STATUS "start failed (${status}) and showed:\n${out}")
