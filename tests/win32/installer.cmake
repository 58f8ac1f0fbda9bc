# The installed copy: where it keeps its files, and the setup program and its
# uninstaller run silently under Wine.
target_sources(win32_config_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/installed_copy_test.cpp)

add_test(NAME win32_installer
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/installer.sh ${CMAKE_BINARY_DIR}/tandrel-${PROJECT_VERSION}-win64-setup.exe)
set_tests_properties(win32_installer PROPERTIES FIXTURES_REQUIRED wine ENVIRONMENT "WINEPREFIX=${wine_prefix}"
                                                TIMEOUT 300 SKIP_RETURN_CODE 77)

# The same with the program running, as it does from log-on: on a display of
# its own, with a Wine prefix of its own.
add_executable(resident_probe resident_probe.cpp)
target_include_directories(resident_probe PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(resident_probe PRIVATE tandrel_core tandrel_warnings)
add_test(NAME win32_installer_running
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/with_display.sh ${CMAKE_BINARY_DIR}/wineprefix-installer-running
                 ${CMAKE_CURRENT_LIST_DIR}/installer_running.sh
                 ${CMAKE_BINARY_DIR}/tandrel-${PROJECT_VERSION}-win64-setup.exe $<TARGET_FILE:resident_probe>)
set_tests_properties(win32_installer_running PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300 RUN_SERIAL TRUE)
