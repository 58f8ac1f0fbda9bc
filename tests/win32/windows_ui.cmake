# The native windows, made for real and driven from inside, under Wine on a
# display of their own (with_display.sh starts and stops Xvfb and a
# wineserver); skipped where Xvfb is missing.
add_executable(win32_windows_ui_tests windows_ui_test.cpp)
target_link_libraries(win32_windows_ui_tests PRIVATE tandrel_win32ui tandrel_testsupport tandrel_warnings
                                                     GTest::gtest_main)
add_test(NAME win32_windows_ui_tests
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/with_display.sh ${CMAKE_BINARY_DIR}/wineprefix-windows-ui
                 $<TARGET_FILE:win32_windows_ui_tests>)
set_tests_properties(win32_windows_ui_tests PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300 RUN_SERIAL TRUE)
