cmake_minimum_required(VERSION 3.25)

# The release zip holds exactly trawlex.exe and README.txt; its trawlex.exe is
# byte for byte the release program the other checks read, and its README.txt
# names the project's version. Run with -DZIP, -DPROGRAM, -DVERSION, -DWORK_DIR.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${ZIP} WORKING_DIRECTORY ${WORK_DIR} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "cannot unpack ${ZIP}")
endif()
file(GLOB_RECURSE entries RELATIVE ${WORK_DIR} LIST_DIRECTORIES true ${WORK_DIR}/*)
list(SORT entries)
if(NOT entries STREQUAL "README.txt;trawlex.exe")
  message(FATAL_ERROR "${ZIP} holds '${entries}', not exactly README.txt and trawlex.exe")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK_DIR}/trawlex.exe ${PROGRAM} RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "the trawlex.exe in ${ZIP} is not ${PROGRAM}")
endif()
# Compared in hexadecimal: text reads would drop the CR.
string(HEX "Trawlex for FS2002 - Version ${VERSION}\r\n" expected)
string(LENGTH "${expected}" hex_length)
math(EXPR length "${hex_length} / 2")
file(READ ${WORK_DIR}/README.txt first_line LIMIT ${length} HEX)
if(NOT first_line STREQUAL expected)
  message(FATAL_ERROR "README.txt in ${ZIP} does not begin with version ${VERSION} and a CR LF")
endif()
message(STATUS "${ZIP}: README.txt and the release trawlex.exe")
