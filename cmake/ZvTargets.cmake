# Helpers shared by the module CMakeLists files.
set(ZV_CMAKE_DIR ${CMAKE_CURRENT_LIST_DIR})
# The Xvfb display that scripts/test.sh starts for GUI tests.
set(ZV_TEST_DISPLAY ":87" CACHE STRING "X display for GUI tests")
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  find_program(ZV_DLLTOOL i686-w64-mingw32-dlltool REQUIRED)
elseif(WIN32)
  find_program(ZV_DLLTOOL x86_64-w64-mingw32-dlltool REQUIRED)
endif()

# zv_add_test(name [GUI] SOURCES ... [LIBS ...])
# A GoogleTest executable beside the code it tests, one ctest entry per
# executable (under Wine each entry costs a Wine start). GUI tests get the
# test run's Xvfb display (scripts/test.sh starts it); the others run without
# a display, so a stray message box fails instead of waiting.
function(zv_add_test name)
  cmake_parse_arguments(ARG "GUI" "" "SOURCES;LIBS" ${ARGN})
  if(ZV_FUZZ)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set_tests_properties(${name} PROPERTIES TIMEOUT 900)
  if(ZV_WIN32)
    if(ARG_GUI)
      # Mouse, keyboard and focus are the display's: one GUI test at a time.
      set_tests_properties(${name} PROPERTIES ENVIRONMENT "ZV_WINEPREFIX=${ZV_WINEPREFIX};DISPLAY=${ZV_TEST_DISPLAY}"
                           RESOURCE_LOCK zv_test_display)
    else()
      set_tests_properties(${name} PROPERTIES ENVIRONMENT "ZV_WINEPREFIX=${ZV_WINEPREFIX};DISPLAY=")
    endif()
  endif()
endfunction()

# zv_add_fuzzer(name SOURCES ... [LIBS ...]): libFuzzer target, host fuzz build only.
function(zv_add_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT ZV_FUZZ OR ZV_WIN32)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()

# zv_add_benchmark(name SOURCES ... [LIBS ...]): Google Benchmark, host bench build only.
function(zv_add_benchmark name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT ZV_BENCH OR ZV_WIN32 OR ZV_FUZZ)
    return()
  endif()
  find_package(benchmark REQUIRED)
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
endfunction()

# zv_win32_dll(target): a DLL whose dllexport'ed __stdcall functions keep
# their undecorated names, so GetProcAddress(h, "zvName") resolves. Its
# import library is a delay-load one (dlltool -y): a program finds the DLL
# at the first call, after it has looked in the shared folder where setup
# puts the libraries (load-time imports would be searched before any code
# runs). On i686 the export list is decorated first (dlltool -k maps the
# callers' name@N symbols to the undecorated exports).
function(zv_win32_dll target)
  set(def ${CMAKE_CURRENT_BINARY_DIR}/${target}.exports.def)
  set_target_properties(${target} PROPERTIES PREFIX "" IMPORT_PREFIX "" IMPORT_SUFFIX ".lib")
  target_link_options(${target} PRIVATE -Wl,--output-def,${def})
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_link_options(${target} PRIVATE -Wl,--kill-at)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -DDEF=${def} -P ${ZV_CMAKE_DIR}/DecoratedDef.cmake
      COMMAND ${ZV_DLLTOOL} -k -d ${def}.decorated -D $<TARGET_FILE_NAME:${target}>
              -y $<TARGET_LINKER_FILE:${target}>
      VERBATIM)
  else()
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${ZV_DLLTOOL} -d ${def} -D $<TARGET_FILE_NAME:${target}> -y $<TARGET_LINKER_FILE:${target}>
      VERBATIM)
  endif()
endfunction()
