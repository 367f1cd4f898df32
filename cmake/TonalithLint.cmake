# Lint tests over the whole tree (label lint). They exit 77 to skip where
# clang-format is not installed.
if(NOT TONALITH_BUILD_TESTS)
  return()
endif()

add_test(NAME format.script COMMAND ${PROJECT_SOURCE_DIR}/scripts/tests/check-format-test)
set_tests_properties(format.script PROPERTIES LABELS lint SKIP_RETURN_CODE 77 TIMEOUT 60)

if(TONALITH_CHECK_FORMAT)
  add_test(NAME format COMMAND ${PROJECT_SOURCE_DIR}/scripts/check-format)
  set_tests_properties(format PROPERTIES LABELS lint SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()
