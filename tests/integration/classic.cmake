# The classic (NT4-style) controller's tests: CLPDC of CLASSIC, which
# scripts/fixtures/classic-dc.sh runs in namespaces of its own (vx-cl-dc, vx-cl-client),
# found by NetBIOS broadcast only. The setup test starts it afresh, the cleanup test
# stops it and removes its namespaces; the cases run in the client namespace, one at a
# time (they share its accounts), and are skipped where no controller can run.
set(VELLOX_CLASSIC_DC_DIR "${CMAKE_BINARY_DIR}/classic-dc" CACHE PATH "The classic controller's folder")
set(VELLOX_CLASSIC_FIXTURE "${CMAKE_CURRENT_LIST_DIR}/classic-fixture.sh")
set(VELLOX_CLASSIC_SCRIPT "${CMAKE_SOURCE_DIR}/scripts/fixtures/classic-dc.sh")

add_test(NAME integration.classic_start COMMAND ${VELLOX_CLASSIC_FIXTURE} start ${VELLOX_CLASSIC_SCRIPT}
  "${VELLOX_CLASSIC_DC_DIR}")
add_test(NAME integration.classic_stop COMMAND ${VELLOX_CLASSIC_FIXTURE} stop ${VELLOX_CLASSIC_SCRIPT}
  "${VELLOX_CLASSIC_DC_DIR}")
set_tests_properties(integration.classic_start PROPERTIES
  FIXTURES_SETUP vellox_classic_dc SKIP_RETURN_CODE 77 TIMEOUT 300 RESOURCE_LOCK vellox_classic_dc
  LABELS integration)
set_tests_properties(integration.classic_stop PROPERTIES
  FIXTURES_CLEANUP vellox_classic_dc SKIP_RETURN_CODE 77 TIMEOUT 120 RESOURCE_LOCK vellox_classic_dc
  LABELS integration)

function(vellox_add_classic_tests target)
  set_target_properties(${target} PROPERTIES
    CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/in-classic-client.sh")
  gtest_discover_tests(${target}
    TEST_PREFIX "integration.classic."
    DISCOVERY_TIMEOUT 60
    PROPERTIES
      ENVIRONMENT "VELLOX_CLASSIC_DC_DIR=${VELLOX_CLASSIC_DC_DIR}"
      FIXTURES_REQUIRED vellox_classic_dc
      RESOURCE_LOCK vellox_classic_dc
      SKIP_RETURN_CODE 77
      LABELS integration
      TIMEOUT 120)
endfunction()

add_executable(classic_lists_tests ${CMAKE_CURRENT_LIST_DIR}/classic_lists_test.cpp)
target_link_libraries(classic_lists_tests PRIVATE vellox_net_samba vellox_enum vellox_browse vellox_files
  GTest::gtest GTest::gmock GTest::gtest_main)
vellox_add_classic_tests(classic_lists_tests)

add_executable(classic_accounts_tests ${CMAKE_CURRENT_LIST_DIR}/classic_accounts_test.cpp)
target_include_directories(classic_accounts_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/app)
target_compile_definitions(classic_accounts_tests PRIVATE APP_TEST_DATADIR="${VELLOX_SOURCE_DATADIR}")
target_link_libraries(classic_accounts_tests PRIVATE vellox_app vellox_net_sample vellox_net_samba
  vellox_net_directory GTest::gtest GTest::gmock GTest::gtest_main)
vellox_add_classic_tests(classic_accounts_tests)
