#pragma once
// The main window's menus, tray menu and tool buttons, for both front ends.
// Captions mark their access key with "&".

#include "ui/main_window.h"

namespace tandrel::ui {

struct MenuItem {
  const char* menu;  // the menu bar's entry it belongs to
  const char* caption;
  MainCommand command;
  bool separatorBefore = false;
};

inline constexpr MenuItem kMainMenu[] = {
    {"&File", "E&xit", MainCommand::Exit},
    {"&Action", "&Synchronise", MainCommand::Synchronise},
    {"&Action", "S&top", MainCommand::Stop},
    {"&Action", "&Preview", MainCommand::Preview},
    {"&Action", "&View logfile", MainCommand::ViewLogFile, true},
    {"&Config", "&Jobs", MainCommand::Jobs},
    {"&Config", "&General", MainCommand::General},
    {"&Help", "&Contents", MainCommand::Contents},
    {"&Help", "&About", MainCommand::About},
};

inline constexpr MenuItem kTrayMenu[] = {
    {"", "&Restore", MainCommand::Restore},
    {"", "S&top", MainCommand::Stop},
    {"", "E&xit", MainCommand::Exit},
};

// The tool buttons on the panel, 23 by 22 pixels at 96 DPI, on one line in
// the middle of the panel's height: left edges from the panel's inner edge.
struct ToolButton {
  const char* hint;
  MainCommand command;
  int left, top;
};

inline constexpr ToolButton kToolButtons[] = {
    {"Synchronise", MainCommand::Synchronise, 0, 2},
    {"Configuration general", MainCommand::General, 40, 2},
    {"Configuration jobs", MainCommand::Jobs, 64, 2},
};
inline constexpr int kToolButtonWidth = 23, kToolButtonHeight = 22;

// The command's name in plain English, as "ViewLogFile": for controls that
// tests and tools find by name.
const char* CommandName(MainCommand command);

}  // namespace tandrel::ui
