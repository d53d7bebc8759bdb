# The distribution folder <build>/dist: the files to ship, flat, with the
# setup program and its definition file. Made by every Windows build (i686
# and x86_64 alike) from its own targets. Deferred to the end of the
# configuration so that targets added later (a picture plug-in) are seen.
if(NOT ZV_WIN32)
  return()
endif()

# Cached: the deferred call runs in the top directory, where this scope is gone.
set(ZV_DIST_DIR ${CMAKE_CURRENT_LIST_DIR} CACHE INTERNAL "")

function(zv_add_dist)
  set(targets zvtorsel zvcore32 zvpix32 zvclass zvinstl)
  if(TARGET zvpng)
    list(APPEND targets zvpng)
  endif()
  set(files "")
  foreach(t IN LISTS targets)
    if(TARGET ${t})
      list(APPEND files $<TARGET_FILE:${t}>)
    endif()
  endforeach()
  add_custom_target(zvdist ALL
    COMMAND ${CMAKE_COMMAND} -DDIST=${CMAKE_BINARY_DIR}/dist -DBIN=${CMAKE_BINARY_DIR}/bin
            -DHELP=${CMAKE_SOURCE_DIR}/APPS/zvtorsel/help -DTEMPLATE=${ZV_DIST_DIR}/zvinstl.def.in
            "-DFILES=${files}" -P ${ZV_DIST_DIR}/MakeDist.cmake
    COMMENT "Distribution folder dist"
    VERBATIM)
  foreach(t IN LISTS targets zvtorsel_help)
    if(TARGET ${t})
      add_dependencies(zvdist ${t})
    endif()
  endforeach()
  # The import check reads the built files on the host, so it runs on every
  # machine, also where no i386 program starts (label "native").
  find_program(ZV_PYTHON3 python3 REQUIRED)
  add_test(NAME zvdist_imports_test
           COMMAND ${ZV_PYTHON3} ${ZV_DIST_DIR}/check_imports.py ${CMAKE_BINARY_DIR}/dist)
  add_test(NAME zvdist_imports_check_test
           COMMAND ${ZV_PYTHON3} ${ZV_DIST_DIR}/tests/check_imports_test.py ${CMAKE_BINARY_DIR}/dist)
  set_tests_properties(zvdist_imports_test zvdist_imports_check_test PROPERTIES LABELS native TIMEOUT 300)
endfunction()

cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL zv_add_dist)
