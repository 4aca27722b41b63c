# plantmon_library(<name> SOURCES ... DEPS ...)
# One static library per folder. Include roots: the repository (system code: "app/Main.h") and
# platform/ (platform code: "rtl/SysUtils.h").
function(plantmon_library name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS;PCH" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/platform)
  target_link_libraries(${name} PUBLIC ${A_DEPS})
  if(A_PCH)
    target_precompile_headers(${name} PRIVATE ${A_PCH})
  endif()
endfunction()

# plantmon_test(<name> SOURCES ... DEPS ... [LABELS ...])
# One test binary per area; each gtest case becomes its own CTest test so ctest -j spreads them.
function(plantmon_test name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/platform ${PROJECT_SOURCE_DIR}/tests)
  # gtest_main supplies main() only to binaries that do not define their own (GUI tests do).
  target_link_libraries(${name} PRIVATE ${A_DEPS} plantmon_testlib GTest::gtest GTest::gmock GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  # The labels go in as one quoted argument: split into a list they would read as property names.
  if(A_LABELS)
    gtest_discover_tests(${name}
      WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests
      PROPERTIES LABELS "${A_LABELS}" ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
      DISCOVERY_TIMEOUT 60)
  else()
    gtest_discover_tests(${name}
      WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests
      PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
      DISCOVERY_TIMEOUT 60)
  endif()
  # Binaries labelled "threads" are run a second time under ThreadSanitizer by scripts/test.
  if("threads" IN_LIST A_LABELS)
    if(NOT TARGET threads_tests)
      add_custom_target(threads_tests)
    endif()
    add_dependencies(threads_tests ${name})
  endif()
endfunction()
