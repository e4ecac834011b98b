# Compile options for the project's own targets (never for third-party code).
function(portico_target_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(PORTICO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
    # GCC 12 warns of overlapping copies inside std::string's own operator+ at
    # -O2 and above (GCC bug 105651); it stays a warning, never an error.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
      target_compile_options(${target} PRIVATE -Wno-error=restrict)
    endif()
  endif()
  if(PORTICO_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
  if(PORTICO_FUZZ)
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
  endif()
endfunction()

# A GoogleTest executable registered with CTest. GUI tests get the offscreen platform.
# Tests instantiated on PostgreSQL (Server/...) are left to the executable's own
# entry that runs them in one process: one each would start a server each.
function(portico_add_test name)
  cmake_parse_arguments(ARG "GUI" "ENV" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  portico_target_options(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} portico_test_support GTest::gtest GTest::gtest_main)
  set(env "")
  if(ARG_GUI)
    set(env "QT_QPA_PLATFORM=offscreen")
  endif()
  # One more variable for tests that are not GUI tests (one entry only: the list
  # would be split on its way through test discovery).
  if(ARG_ENV)
    set(env "${ARG_ENV}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST TEST_FILTER "-Server/*" PROPERTIES ENVIRONMENT "${env}")
endfunction()
