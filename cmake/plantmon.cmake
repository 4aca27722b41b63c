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

# plantmon_warnings_as_errors(<dir>)
# Makes every library and executable defined in <dir> and its subdirectories treat warnings as errors.
# Called once after all directories are added, so a target added later in any CMakeLists.txt
# is covered without naming it; directories outside the source tree (third-party code fetched into the
# build tree) are left alone.
function(plantmon_warnings_as_errors dir)
  cmake_path(IS_PREFIX PROJECT_SOURCE_DIR "${dir}" NORMALIZE inside)
  if(NOT inside)
    return()
  endif()
  get_property(targets DIRECTORY "${dir}" PROPERTY BUILDSYSTEM_TARGETS)
  foreach(t IN LISTS targets)
    get_target_property(type ${t} TYPE)
    if(type MATCHES "^(STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY|EXECUTABLE)$")
      set_property(TARGET ${t} PROPERTY COMPILE_WARNING_AS_ERROR ON)
    endif()
  endforeach()
  get_property(subdirs DIRECTORY "${dir}" PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    plantmon_warnings_as_errors("${sub}")
  endforeach()
endfunction()
