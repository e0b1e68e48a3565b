# The tests of the text rules that need nothing of Windows: built into rules_tests in
# both Windows trees and, unchanged, in the native tree (native/).
set(RULES_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/aside_name_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/checksum_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/staged_name_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_name_test.cpp
)
