cmake_minimum_required(VERSION 3.25)

# wine-run --start-server with a loader that cannot start, as on a machine
# that refuses 32-bit programs: it must fail, its output must hold what the
# loader said, and the server it started must be stopped again. Stand-ins
# play the loader and the server. Run with -DTEMPLATE=<wine-run.in>
# -DWORK_DIR=<folder>.
file(REMOVE_RECURSE ${WORK_DIR})
set(message "wine: loader cannot start here (stand-in for Exec format error)")

function(stand_in path script)
  file(WRITE ${path} "#!/bin/sh\n${script}\n")
  file(CHMOD ${path} PERMISSIONS OWNER_READ OWNER_EXECUTE)
endfunction()
set(TRAWLEX_WINE_LOADER ${WORK_DIR}/loader)
stand_in(${TRAWLEX_WINE_LOADER} "echo '${message}' >&2\nexit 126")
stand_in(${WORK_DIR}/bin/wineserver "echo \"$*\" >>'${WORK_DIR}/server-calls'")
set(TRAWLEX_WINEPREFIX ${WORK_DIR}/wineprefix)
set(TRAWLEX_WINEARCH win64)
configure_file(${TEMPLATE} ${WORK_DIR}/wine-run @ONLY FILE_PERMISSIONS OWNER_READ OWNER_EXECUTE)

execute_process(COMMAND ${CMAKE_COMMAND} -E env "PATH=${WORK_DIR}/bin:$ENV{PATH}" ${WORK_DIR}/wine-run --start-server
                RESULT_VARIABLE status
                OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(status EQUAL 0)
  message(FATAL_ERROR "the start of Wine with a loader that cannot start was reported as a success")
endif()
string(FIND "${out}" "${message}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the failed start does not show the loader's message; it printed:\n${out}")
endif()
file(READ ${WORK_DIR}/server-calls calls)
if(NOT calls STREQUAL "-p\n-k\n")
  message(FATAL_ERROR "the server was not started and stopped again; its calls were:\n${calls}")
endif()
message(STATUS "start failed (${status}) and showed:\n${out}")
