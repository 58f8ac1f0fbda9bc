#pragma once
// The pictures of the dialogs' buttons, drawn at run time: 16 by 16 pixels,
// each in a normal and a greyed form.

#include <QIcon>
#include <QPixmap>

namespace tandrel::ui {

enum class DialogPicture { Save, WasteBin, HandLeft, HandRight, HandUp, HandDown, Door, OpenFolder };

inline constexpr int kPictureSize = 16;

// One form of a picture; the greyed form is the normal one in light greys.
QPixmap DrawDialogPicture(DialogPicture picture, bool greyed);

// Both forms: normal for an enabled button, greyed for a disabled one.
QIcon DialogIcon(DialogPicture picture);

}  // namespace tandrel::ui
