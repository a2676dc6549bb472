# Running Windows programs under Wine from CTest. Each build tree has its own
# prefix. A persistent wineserver, started by a setup fixture and stopped by a
# cleanup fixture, spares each test the 2-3 s start of a server of its own.

# The loader for programs of `processor` (i686 or x86_64) in `out`, and the
# matching WINEARCH in `out_arch`. Debian keeps the loaders out of PATH:
# /usr/lib/wine/wine runs 32-bit programs, /usr/lib/wine/wine64 64-bit ones.
function(trawlex_wine_loader processor out out_arch)
  if(processor STREQUAL "x86_64")
    find_program(loader wine64 HINTS /usr/lib/wine NO_CACHE REQUIRED)
    set(${out_arch} win64 PARENT_SCOPE)
  else()
    find_program(loader wine HINTS /usr/lib/wine NO_DEFAULT_PATH NO_CACHE)
    if(NOT loader)
      find_program(loader wine NO_CACHE REQUIRED)
    endif()
    set(${out_arch} win32 PARENT_SCOPE)
  endif()
  set(${out} ${loader} PARENT_SCOPE)
endfunction()

# Writes ${CMAKE_BINARY_DIR}/wine-run, which runs a Windows program of the
# given processor in the tree's prefix, and adds the fixture "wine" that keeps
# the prefix's server up while tests run.
function(trawlex_wine_setup processor)
  trawlex_wine_loader(${processor} TRAWLEX_WINE_LOADER TRAWLEX_WINEARCH)
  set(TRAWLEX_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                                  WORLD_EXECUTE)
  add_test(NAME Wine.StartServer COMMAND ${CMAKE_BINARY_DIR}/wine-run --start-server)
  set_tests_properties(Wine.StartServer PROPERTIES FIXTURES_SETUP wine)
  add_test(NAME Wine.StopServer COMMAND ${CMAKE_BINARY_DIR}/wine-run --stop-server)
  set_tests_properties(Wine.StopServer PROPERTIES FIXTURES_CLEANUP wine)
endfunction()
