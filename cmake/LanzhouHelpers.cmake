# Shared CMake helpers: one way to register a test binary, one way to embed resources.

# lanzhou_add_test(NAME <name> SOURCES <files...> [LIBS <targets...>] [ENV <VAR=value...>])
# Builds one test binary with the shared test main and registers it as one CTest entry. A test
# that hangs fails after two minutes instead of holding the run.
function(lanzhou_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} lanzhou_test_main)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set(env "LANZHOU_SHARED_DIR=${LANZHOU_SHARED_DIR}")
  list(APPEND env ${T_ENV})
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 120)
endfunction()
