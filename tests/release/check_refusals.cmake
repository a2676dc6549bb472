cmake_minimum_required(VERSION 3.25)

# Each check of CheckWindowsProgram.cmake fails, with a message naming the
# fault, on a program or a list made faulty on purpose: a subsystem version of
# 6.0 (Windows Vista), the GUI subsystem, symbols left in, an import missing
# from the reviewed list, a DLL missing from the allowed ones. Run with the
# checker's arguments and -DCHECK_PROGRAM, -DOBJCOPY, -DUNSTRIPPED, -DWORK_DIR.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

# Runs the checker with `args` and fails unless it fails with a message that
# matches `expected` (white space, which CMake rewraps, compared as one space).
function(expect_refusal what expected)
  execute_process(COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${OBJDUMP} ${ARGN} -P ${CHECK_PROGRAM}
                  RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE out)
  string(REGEX REPLACE "[ \t\r\n]+" " " out "${out}")
  if(NOT failed OR NOT out MATCHES "${expected}")
    message(FATAL_ERROR "${what}: expected a failure matching '${expected}', got (${failed}) ${out}")
  endif()
  message(STATUS "${what}: refused")
endfunction()

function(restamped name subsystem)
  set(copy ${WORK_DIR}/${name}.exe)
  execute_process(COMMAND ${OBJCOPY} --subsystem ${subsystem} ${PROGRAM} ${copy} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${OBJCOPY} --subsystem ${subsystem} failed")
  endif()
  set(restamped_program ${copy} PARENT_SCOPE)
endfunction()

set(header_args -DCHECK=header -DFORMAT=${FORMAT} -DMAX_VERSION=${MAX_VERSION})
restamped(vista console:6.0)
expect_refusal("subsystem 6.0" "subsystem version 6\\.0 is newer than ${MAX_VERSION}"
               -DPROGRAM=${restamped_program} ${header_args})
restamped(gui windows)
expect_refusal("GUI subsystem" "subsystem 0*2, not 3 \\(console\\)" -DPROGRAM=${restamped_program} ${header_args})
expect_refusal("symbols kept" "still holds its symbols" -DPROGRAM=${UNSTRIPPED} ${header_args})
expect_refusal("other file format" "is ${FORMAT}, not pei-other" -DPROGRAM=${PROGRAM}
               -DCHECK=header -DFORMAT=pei-other -DMAX_VERSION=${MAX_VERSION})

# The reviewed list without its first function.
file(STRINGS ${ALLOWED} lines REGEX "^[A-Za-z0-9]+\\.DLL!")
list(POP_FRONT lines dropped)
list(JOIN lines "\n" text)
file(WRITE ${WORK_DIR}/short_list.txt "${text}\n")
string(TOUPPER "${dropped}" dropped)
expect_refusal("import not reviewed" "imports not on the reviewed list .* ${dropped}" -DPROGRAM=${PROGRAM}
               -DCHECK=imports -DALLOWED=${WORK_DIR}/short_list.txt)

string(REPLACE "ADVAPI32.DLL" "" fewer_dlls "${DLLS}")
expect_refusal("DLL not allowed" "imports from DLLs beyond .*: ADVAPI32\\.DLL" -DPROGRAM=${PROGRAM}
               -DCHECK=dlls "-DDLLS=${fewer_dlls}")
