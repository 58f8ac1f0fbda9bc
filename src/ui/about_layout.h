#pragma once
// The About window's layout, shared by both front ends: the background
// fills it, the product icon stands at the top left, the three yellow
// lines beside it and the two buttons at the bottom.

#include "ui/dialog_layout.h"

namespace tandrel::ui::about_layout {

inline constexpr int kClientWidth = 351;
inline constexpr int kClientHeight = 234;

inline constexpr Rect kProductIcon{8, 8, 33, 33};
inline constexpr Rect kVersionLine{47, 8, 298, 17};  // its text is set at every showing
inline constexpr Rect kCopyrightLine{47, 24, 298, 17};
inline constexpr Rect kHomePageLine{47, 56, 298, 17};
inline constexpr Captioned kOk{"OK  ", {32, 201, 75, 25}};
inline constexpr Captioned kHomePage{"WWW", {136, 201, 75, 25}};

}  // namespace tandrel::ui::about_layout
