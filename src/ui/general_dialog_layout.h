#pragma once
// The general settings dialog's layout, shared by both front ends: the time
// box, the log options box and the Close button, the window as high as they
// need.

#include "ui/dialog_layout.h"

namespace tandrel::ui::general_layout {

inline constexpr int kClientWidth = 233;
inline constexpr int kClientHeight = 224;

// The boxes span the client area's width.
inline constexpr Captioned kTimeBox{"Time", {0, 0, kClientWidth, 65}};
inline constexpr Captioned kLogBox{"Log options", {0, 64, kClientWidth, 121}};
inline constexpr Captioned kClose{"   Close   ", {74, 191, 87, 25}};

// In the time box.
inline constexpr Rect kTimeField{48, 24, 41, 21};
inline constexpr Captioned kTimeLabel{"Time", LabelBeside(kTimeField, 8, 23)};
inline constexpr Captioned kIntervalTimer{"As interval timer", {120, 24, 97, 17}};

// In the log options box.
inline constexpr Captioned kExtendedLog{"Extended log", {48, 24, 161, 17}};
inline constexpr Captioned kAppendLog{"Append to log", {48, 48, 161, 17}};
inline constexpr Captioned kCreateLog{"Create logfile", {48, 72, 161, 17}};
inline constexpr Captioned kMultipleLog{"Date dependent logfile", {48, 96, 161, 17}};

}  // namespace tandrel::ui::general_layout
