# The installed copy: where it keeps its files, and the setup program and its
# uninstaller run silently under Wine.
target_sources(win32_config_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/installed_copy_test.cpp)
