# Helpers shared by the module CMakeLists files.
set(ZV_CMAKE_DIR ${CMAKE_CURRENT_LIST_DIR})
find_program(ZV_DLLTOOL i686-w64-mingw32-dlltool)

# zv_add_test(name SOURCES ... [LIBS ...])
# A GoogleTest executable beside the code it tests, one ctest entry per
# executable (under Wine each entry costs a Wine start).
function(zv_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(ZV_FUZZ)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  if(ZV_WIN32)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "ZV_WINEPREFIX=${ZV_WINEPREFIX}")
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
# their undecorated names, so GetProcAddress(h, "zvName") resolves. The
# linker's own import library would then lack the name@N symbols that callers
# reference, so it is rebuilt with dlltool -k from the decorated export list.
function(zv_win32_dll target)
  set(def ${CMAKE_CURRENT_BINARY_DIR}/${target}.exports.def)
  set_target_properties(${target} PROPERTIES PREFIX "" IMPORT_PREFIX "" IMPORT_SUFFIX ".lib")
  target_link_options(${target} PRIVATE -Wl,--kill-at -Wl,--output-def,${def})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DDEF=${def} -P ${ZV_CMAKE_DIR}/DecoratedDef.cmake
    COMMAND ${ZV_DLLTOOL} -k -d ${def}.decorated -D $<TARGET_FILE_NAME:${target}>
            -l $<TARGET_LINKER_FILE:${target}>
    VERBATIM)
endfunction()
