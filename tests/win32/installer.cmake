# The installed copy: where it keeps its files, and the setup program and its
# uninstaller run silently under Wine.
target_sources(win32_config_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/installed_copy_test.cpp)

add_test(NAME win32_installer
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/installer.sh ${CMAKE_BINARY_DIR}/tandrel-${PROJECT_VERSION}-win64-setup.exe)
set_tests_properties(win32_installer PROPERTIES FIXTURES_REQUIRED wine ENVIRONMENT "WINEPREFIX=${wine_prefix}"
                                                TIMEOUT 300 SKIP_RETURN_CODE 77)
