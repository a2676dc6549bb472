cmake_minimum_required(VERSION 3.25)

# Checks a Windows program from what `objdump -p` reads of it; needs no Wine.
# Run with -P and:
#   -DOBJDUMP=<objdump for PE files> -DPROGRAM=<exe> -DCHECK=<check>
# and, per check:
#   imports  -DALLOWED=<list file>: every imported function is on the list
#            (lines "DLL!Function"; '#' starts a comment);
#   dlls     -DDLLS=<names, comma-separated>: no DLL beyond these is imported;
#   header   -DFORMAT=<objdump's file format> -DMAX_VERSION=<major.minor>:
#            the machine the format names, the console subsystem, operating
#            system and subsystem versions no newer than MAX_VERSION, and no
#            symbol table (the program is the stripped one).
# Fails with a message that names what is wrong.

execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} -p ${PROGRAM} failed")
endif()
string(REPLACE "\n" ";" dump_lines "${dump}")

# "DLL!FUNCTION" for every import, upper case; the DLL names in IMPORTED_DLLS.
function(read_imports)
  set(dll "")
  set(imports "")
  set(dlls "")
  foreach(line IN LISTS dump_lines)
    if(line MATCHES "DLL Name: (.+)$")
      string(TOUPPER "${CMAKE_MATCH_1}" dll)
      list(APPEND dlls "${dll}")
    elseif(dll AND line MATCHES "^\t[0-9a-f]+\t +[0-9]+ +([A-Za-z0-9_@?]+)$")
      string(TOUPPER "${dll}!${CMAKE_MATCH_1}" entry)
      list(APPEND imports "${entry}")
    elseif(line MATCHES "^$")
      set(dll "")
    endif()
  endforeach()
  if(NOT imports)
    message(FATAL_ERROR "no imports found in ${PROGRAM}: the objdump output was not understood")
  endif()
  set(IMPORTS "${imports}" PARENT_SCOPE)
  set(IMPORTED_DLLS "${dlls}" PARENT_SCOPE)
endfunction()

# The items of the list named `items_var` that the list named `allowed_var`
# lacks, in `out`.
function(not_in items_var allowed_var out)
  set(rest ${${items_var}})
  if(NOT "${${allowed_var}}" STREQUAL "")
    list(REMOVE_ITEM rest ${${allowed_var}})
  endif()
  set(${out} "${rest}" PARENT_SCOPE)
endfunction()

function(check_imports)
  read_imports()
  file(STRINGS ${ALLOWED} allowed_lines)
  set(allowed "")
  foreach(line IN LISTS allowed_lines)
    string(REGEX REPLACE "#.*" "" line "${line}")
    string(STRIP "${line}" line)
    if(line)
      string(TOUPPER "${line}" line)
      list(APPEND allowed "${line}")
    endif()
  endforeach()
  not_in(IMPORTS allowed unreviewed)
  if(unreviewed)
    list(JOIN unreviewed "\n  " text)
    message(FATAL_ERROR "imports not on the reviewed list ${ALLOWED}:\n  ${text}")
  endif()
  list(LENGTH IMPORTS count)
  message(STATUS "${count} imports, all on ${ALLOWED}")
endfunction()

function(check_dlls)
  read_imports()
  string(TOUPPER "${DLLS}" allowed)
  string(REPLACE "," ";" allowed "${allowed}")
  not_in(IMPORTED_DLLS allowed others)
  if(others)
    list(JOIN others ", " text)
    message(FATAL_ERROR "${PROGRAM} imports from DLLs beyond ${DLLS}: ${text}")
  endif()
  list(JOIN IMPORTED_DLLS ", " text)
  message(STATUS "DLLs imported: ${text}")
endfunction()

# The value of the header field `name` (a line "<name>\t<value>...").
function(header_field name out)
  foreach(line IN LISTS dump_lines)
    if(line MATCHES "^${name}[\t ]+([0-9A-Za-z]+)")
      set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
  message(FATAL_ERROR "no ${name} in the header of ${PROGRAM}: the objdump output was not understood")
endfunction()

# Fails when the version held in the two header fields is newer than MAX_VERSION.
function(check_version what major_field minor_field)
  header_field(${major_field} major)
  header_field(${minor_field} minor)
  if("${major}.${minor}" VERSION_GREATER MAX_VERSION)
    message(FATAL_ERROR "${PROGRAM}: ${what} version ${major}.${minor} is newer than ${MAX_VERSION}; "
                        "older Windows refuses to start it")
  endif()
  message(STATUS "${what} version ${major}.${minor}")
endfunction()

function(check_header)
  if(NOT dump MATCHES "file format ([^\n]+)\n")
    message(FATAL_ERROR "no file format in the objdump output for ${PROGRAM}")
  endif()
  if(NOT CMAKE_MATCH_1 STREQUAL FORMAT)
    message(FATAL_ERROR "${PROGRAM} is ${CMAKE_MATCH_1}, not ${FORMAT}")
  endif()
  header_field(Subsystem subsystem)
  if(NOT subsystem EQUAL 3)
    message(FATAL_ERROR "${PROGRAM}: subsystem ${subsystem}, not 3 (console)")
  endif()
  check_version("operating system" MajorOSystemVersion MinorOSystemVersion)
  check_version("subsystem" MajorSubsystemVersion MinorSubsystemVersion)
  if(NOT dump MATCHES "\n\tsymbols stripped\n")
    message(FATAL_ERROR "${PROGRAM} still holds its symbols: it is not the stripped program")
  endif()
  message(STATUS "${FORMAT}, console subsystem, stripped")
endfunction()

if(CHECK STREQUAL "imports")
  check_imports()
elseif(CHECK STREQUAL "dlls")
  check_dlls()
elseif(CHECK STREQUAL "header")
  check_header()
else()
  message(FATAL_ERROR "unknown CHECK '${CHECK}'")
endif()
