#pragma once
// What the configuration dialogs share: their font, their placement, and the
// conversion between the editors' texts and the 8-bit texts of the
// configuration file.

#include <QFont>
#include <QString>
#include <QWidget>
#include <string>

#include "dialogs/artwork.h"
#include "ui/dialog_layout.h"

class QAction;
class QCheckBox;
class QMenuBar;
class QGroupBox;
class QLabel;
class QPushButton;

namespace tandrel::ui {

// Puts a control at its fixed place in its parent.
template <typename Widget>
Widget* Place(Widget* widget, const Rect& place) {
  widget->setGeometry(place.left, place.top, place.width, place.height);
  return widget;
}
// The same, and names it for the tests to find.
template <typename Widget>
Widget* Place(Widget* widget, const char* name, const Rect& place) {
  widget->setObjectName(QString::fromLatin1(name));
  return Place(widget, place);
}

// Controls with their captions at their places.
QGroupBox* GroupBox(QWidget* parent, const Captioned& box);
QLabel* Label(QWidget* parent, const char* name, const Captioned& label);
QCheckBox* CheckBox(QWidget* parent, const char* name, const Captioned& box);

// A push button with a 16 by 16 picture before its caption. It is never the
// dialog's default button, so Return in an edit field saves, moves or closes
// nothing.
QPushButton* PictureButton(QWidget* parent, const char* name, Glyph glyph, const Captioned& button);

// "MS Sans Serif" at 11 pixels where installed, otherwise the system's
// default sans font at the same pixel height; pixels, so that the text
// matches the fixed control sizes whatever the screen's text scaling.
QFont FormFont();

// Narrows the form's font, when its family is wider than the one the fixed
// control sizes were made for, just enough that every check box and label
// caption fits its control; with the intended font nothing changes.
void FitCaptions(QWidget* form);

// How wide a window must be for a window manager to show its whole caption:
// the caption in a usual title-bar font (the system's sans font, bold, at 8
// points) with room for the frame's icon and three buttons.
int CaptionWidth(const QString& caption);

// Gives the group box the frame of the fixed layouts: the frame line runs
// through the middle of the caption, so that controls placed 16 pixels below
// the box's top stand inside the frame whatever the application's style.
void UseFormGroupBoxFrame(QWidget* groupBox);

// The frame of the configuration dialogs: caption, system menu and minimise
// box, but no maximise box, as their size is fixed.
inline constexpr Qt::WindowFlags kMinimisableDialogFlags =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
    Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;

// Caption, frame, modality and font of a configuration dialog, and its
// menu bar with the File menu and its Close item (named for the tests).
void SetUpConfigurationDialog(QWidget* dialog, const QString& caption);
QMenuBar* MenuBarWithClose(QWidget* dialog, QAction*& closeItem);

// Makes a modal showing of `window` block only the windows it belongs to
// (its parent and theirs, up to the main window), never the tray icon: the
// icon must answer while a dialog or box is open, even a minimised one, or
// the user could be left without any window and without a way back. A
// window without a parent blocks the whole application, as it has no owner.
void BlockOnlyTheMainWindow(QWidget* window);

// Moves the window so that it is centred on the application's main window
// (its parent's window) when that is visible, otherwise on the screen, and
// keeps it inside the screen's available area.
void CentreOnMainWindow(QWidget* window);

// An editor's text in the local 8-bit encoding of the configuration file,
// and back; the window logic decides what becomes of line breaks.
std::string FileText(const QString& text);
QString EditorText(const std::string& text);

}  // namespace tandrel::ui
