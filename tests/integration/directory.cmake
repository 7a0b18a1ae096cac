# The directory route's tests: conversions (no controller) and the route against a
# Samba AD controller of its own (bench/directory/directory-dc, namespaces vx-ldap-*).
vellox_add_test(directory_convert_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/directory_convert_test.cpp
  LIBS vellox_net_directory
  LABELS unit)

# The controller test starts and fills its controller once in main(), so its cases run
# in one process, one after another, never beside another copy of themselves.
add_executable(directory_dc_test ${CMAKE_CURRENT_LIST_DIR}/directory_dc_test.cpp)
target_link_libraries(directory_dc_test PRIVATE vellox_app vellox_net_samba vellox_net_directory GTest::gtest GTest::gmock)
target_include_directories(directory_dc_test PRIVATE ${CMAKE_SOURCE_DIR}/bench/directory)
target_compile_definitions(directory_dc_test PRIVATE
  VELLOX_DIRECTORY_DC_SCRIPT="${CMAKE_SOURCE_DIR}/bench/directory/directory-dc"
  VELLOX_DIRECTORY_DC_DIR="${CMAKE_BINARY_DIR}/directory-dc")
add_test(NAME integration.directory_route COMMAND ${CMAKE_COMMAND} -E env TZ=UTC LC_ALL=C.UTF-8
  $<TARGET_FILE:directory_dc_test>)
set_tests_properties(integration.directory_route PROPERTIES
  LABELS integration TIMEOUT 1500 RUN_SERIAL TRUE)

# Two folders' controllers take turns in the namespaces of directory-dc: a start never
# takes another folder's controller for its own, and stop leaves no process behind.
add_test(NAME integration.fixture_ownership
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/fixture_ownership_test.sh "${CMAKE_SOURCE_DIR}/bench/directory/directory-dc"
    "${CMAKE_BINARY_DIR}/fixture-ownership")
set_tests_properties(integration.fixture_ownership PROPERTIES
  LABELS integration TIMEOUT 600 RUN_SERIAL TRUE SKIP_RETURN_CODE 77)
