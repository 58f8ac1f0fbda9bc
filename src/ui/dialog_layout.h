#pragma once
// What the dialogs' layout tables are made of: places in pixels at 96 DPI,
// measured from the client area or from the corner of the box a control
// stands in.

namespace tandrel::ui {

struct Rect {
  int left, top, width, height;
};

// A control with its caption, the same in every front end.
struct Captioned {
  const char* caption;
  Rect place;
};

// `place`, given in the box at `box`, in the area the box stands in.
constexpr Rect Within(const Rect& box, const Rect& place) {
  return {box.left + place.left, box.top + place.top, place.width, place.height};
}

// A label's height, and its place left of its field, centred on the field's
// line.
inline constexpr int kLabelHeight = 13;
constexpr Rect LabelBeside(const Rect& field, int left, int width) {
  return {left, field.top + (field.height - kLabelHeight) / 2, width, kLabelHeight};
}

}  // namespace tandrel::ui
