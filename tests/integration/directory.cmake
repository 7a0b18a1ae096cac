# The directory route's tests: conversions (no controller) and the route against a
# Samba AD controller of its own (bench/directory/directory-dc, namespaces vx-ldap-*).
vellox_add_test(directory_convert_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/directory_convert_test.cpp
  LIBS vellox_net
  LABELS unit)
vellox_add_test(directory_dc_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/directory_dc_test.cpp
  LIBS vellox_net
  LABELS integration)
target_compile_definitions(directory_dc_test PRIVATE
  VELLOX_DIRECTORY_DC_SCRIPT="${CMAKE_SOURCE_DIR}/bench/directory/directory-dc"
  VELLOX_DIRECTORY_DC_DIR="${CMAKE_BINARY_DIR}/directory-dc")
