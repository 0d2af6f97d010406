# GoogleTest on both targets: Debian's packaged build natively, built from
# /usr/src/googletest for the cross target.
enable_testing()

if(CMAKE_CROSSCOMPILING)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/_googletest EXCLUDE_FROM_ALL)
  foreach(t gtest gtest_main gmock gmock_main)
    if(TARGET ${t})
      target_compile_options(${t} PRIVATE -w)
      if(NOT TARGET GTest::${t})
        add_library(GTest::${t} ALIAS ${t})
      endif()
    endif()
  endforeach()
else()
  find_package(GTest REQUIRED)
endif()

# vard_add_test(<name> SOURCES <files...> LIBS <libs...>)
# One test program, registered as one CTest test (program starts under wine
# are too costly for per-case discovery).
function(vard_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES LABELS ${VARD_TARGET_NAME})
endfunction()

# vard_threads_label(<tests...>)
# Marks test programs whose code runs on several threads: the linux-tsan
# preset runs exactly these. Call it after any set_tests_properties(LABELS).
function(vard_threads_label)
  set_property(TEST ${ARGN} APPEND PROPERTY LABELS threads)
endfunction()
