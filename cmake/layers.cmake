# The folders under src/, from the bottom up, and the folders each may
# include from and link besides its own: the one statement of the layering,
# read by the build (CMakeLists.txt) and by its include check
# (check_layers.cmake).
set(tandrel_folders platform support config log engine program ui cli dialogs app win32ui)
set(tandrel_below_platform "")
set(tandrel_below_support platform)
set(tandrel_below_config support platform)
set(tandrel_below_log config support platform)
set(tandrel_below_engine log config support platform)
set(tandrel_below_program engine log config support platform)
set(tandrel_below_ui program engine log config support platform)
set(tandrel_below_cli program engine log config support platform)
set(tandrel_below_dialogs ui program engine log config support platform)
set(tandrel_below_app cli dialogs ui program engine log config support platform)
set(tandrel_below_win32ui ui program engine log config support platform)
