# SPDX-License-Identifier: GPL-3.0-or-later
add_executable(window_tests
  window_test_main.cpp
  command_line_test.cpp
  folder_browser_test.cpp
  form1_test.cpp)
# GuiPrivate for QWindowSystemInterface: a close request as the desktop sends it.
target_link_libraries(window_tests PRIVATE window test_support Qt6::Test Qt6::GuiPrivate)
# The command-line cases run the program itself.
add_dependencies(window_tests vantrel)
target_compile_definitions(window_tests PRIVATE
  VANTREL_BINARY="$<TARGET_FILE:vantrel>" VANTREL_VERSION="${PROJECT_VERSION}")
# The offscreen platform needs no display, for listing the tests as for running them.
gtest_discover_tests(window_tests DISCOVERY_TIMEOUT 60
  PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)

target_sources(runtime_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/folder_listing_test.cpp)
# The sort of names is checked against the collator itself.
target_link_libraries(runtime_tests PRIVATE Qt6::Core)
