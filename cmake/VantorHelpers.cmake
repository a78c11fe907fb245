# Warnings as errors apply to our own targets only, never to third-party code.
function(vantor_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# vantor_add_test(NAME SOURCES src... LIBS lib... [LABELS l...] [TIMEOUT s])
# One GoogleTest executable; every TEST becomes its own ctest entry. Tests run with
# VANTOR_BROADCAST_ADDR=127.255.255.255 and see VANTOR_TEST_DATA_DIR (their source folder).
function(vantor_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(VANTOR_FUZZ)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  vantor_warnings(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  # The test's source folder, for data files that sit beside the tests.
  target_compile_definitions(${name} PRIVATE VANTOR_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
  # One variable only: a list here would be split into separate properties. Discovery and LAN
  # search stay on loopback even when ctest is run by hand.
  # gtest_discover_tests flattens its property list more than once, so a list of labels would
  # split into stray name/value pairs and shift the environment away: the environment goes
  # first and only the first label is given to the discovered tests.
  set(label "")
  if(T_LABELS)
    list(GET T_LABELS 0 label)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "VANTOR_BROADCAST_ADDR=127.255.255.255"
               TIMEOUT ${T_TIMEOUT} LABELS "${label}")
endfunction()

# vantor_add_fuzzer(NAME SOURCE src LIBS lib... [CORPUS dir])
# With VANTOR_FUZZ (clang) this is a libFuzzer binary. Otherwise the same entry point is linked
# with a replay driver and registered as a test, so every target builds and runs in every build.
function(vantor_add_fuzzer name)
  cmake_parse_arguments(F "" "SOURCE;CORPUS" "LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCE})
  vantor_warnings(${name})
  target_link_libraries(${name} PRIVATE ${F_LIBS} Threads::Threads)
  if(VANTOR_FUZZ)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set_property(GLOBAL APPEND PROPERTY VANTOR_FUZZERS ${name})
  else()
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/fuzz_replay_main.cpp)
    set(args)
    if(F_CORPUS)
      set(args ${F_CORPUS})
    endif()
    add_test(NAME ${name} COMMAND ${name} ${args})
    set_tests_properties(${name} PROPERTIES TIMEOUT 120 LABELS fuzz)
  endif()
endfunction()
