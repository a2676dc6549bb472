# The Linux release archive: its trawlex is statically linked (no program
# interpreter, no shared library needed) and, unpacked alone into an empty
# folder (it unpacks into one, trawlex-<version>), runs with an empty environment: it answers --version and scans the
# demo installation as the build's own program does.
# Input: ARCHIVE, MAKE_DEMO, WORK_DIR, READELF.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/unpacked)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xzf ${ARCHIVE} WORKING_DIRECTORY ${WORK_DIR}/unpacked
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot unpack ${ARCHIVE}")
endif()
# One folder, trawlex-<version>, holding README.md and trawlex.
file(GLOB top RELATIVE ${WORK_DIR}/unpacked ${WORK_DIR}/unpacked/*)
if(NOT top MATCHES "^trawlex-[0-9]+\\.[0-9]+$" OR NOT IS_DIRECTORY ${WORK_DIR}/unpacked/${top})
  message(FATAL_ERROR "the archive unpacks into '${top}', not one folder trawlex-<version>")
endif()
file(GLOB contents RELATIVE ${WORK_DIR}/unpacked/${top} ${WORK_DIR}/unpacked/${top}/*)
if(NOT contents STREQUAL "README.md;trawlex")
  message(FATAL_ERROR "the archive holds '${contents}', not README.md and trawlex")
endif()
set(program ${WORK_DIR}/unpacked/${top}/trawlex)

execute_process(COMMAND ${READELF} -lW ${program} OUTPUT_VARIABLE headers RESULT_VARIABLE status)
execute_process(COMMAND ${READELF} -dW ${program} OUTPUT_VARIABLE dynamic)
if(NOT status EQUAL 0 OR headers MATCHES "INTERP" OR dynamic MATCHES "NEEDED")
  message(FATAL_ERROR "trawlex is not statically linked:\n${headers}\n${dynamic}")
endif()

execute_process(COMMAND env -i ${program} --version WORKING_DIRECTORY ${WORK_DIR}
                OUTPUT_VARIABLE version RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT version MATCHES "^Trawlex for FS2002 - Version ")
  message(FATAL_ERROR "--version in an empty environment gave status ${status}: ${version}")
endif()

execute_process(COMMAND ${MAKE_DEMO} ${WORK_DIR}/demo ${program} OUTPUT_VARIABLE installed
                OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot lay out the demo installation")
endif()
execute_process(COMMAND env -i ${installed} INPUT_FILE /dev/null WORKING_DIRECTORY /
                OUTPUT_VARIABLE console RESULT_VARIABLE status)
get_filename_component(tools ${installed} DIRECTORY)
file(READ ${tools}/FileList.txt listing)
# The demo's area "Not Installed" names no folder: the run names it and fails (status 2).
if(NOT status EQUAL 2 OR NOT console MATCHES "At least one BGL file" OR NOT listing MATCHES "geopol12.bgl  \\(Stock file\\)")
  message(FATAL_ERROR "the demo scan in an empty environment gave status ${status}:\n${console}\n${listing}")
endif()
message(STATUS "statically linked; --version and the demo scan run in an empty environment")
