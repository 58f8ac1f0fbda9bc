#pragma once
// The main window's figures, shared by both front ends: pixels at 96 DPI.

namespace tandrel::ui::main_layout {

constexpr int kClientWidth = 658;
constexpr int kClientHeight = 482;
constexpr int kPanelHeight = 26;   // the tool panel along the top
constexpr int kStatusHeight = 19;  // the status bar along the bottom
constexpr int kLogTop = 48;
// mLog keeps this distance to the status bar as the window changes size.
constexpr int kLogBottomGap = kClientHeight - kStatusHeight - (kLogTop + 413);
constexpr int kSyncIntervalMs = 10000;  // tSync's interval

}  // namespace tandrel::ui::main_layout
