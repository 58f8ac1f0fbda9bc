#pragma once
// A window of the native front end: a top-level window whose controls stand
// at fixed places given in pixels at 96 DPI, scaled to the monitor's DPI and
// placed again when the window moves to a monitor with another DPI. A form
// can be shown modally; its loop dispatches every message of the program, so
// the main window's timer and tray icon go on answering meanwhile.

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "ui/dialog_layout.h"
#include "win32ui/glyphs.h"

namespace tandrel::win32 {

// `pixels` at 96 DPI, at `dpi`.
int Scaled(int pixels, UINT dpi);

// The window's text as UTF-8, and back.
std::string WindowText(HWND window);
void SetWindowText(HWND window, const std::string& text);

// Handles one message as the program's loops do: keyboard navigation inside
// the dialogs, everything else dispatched.
void DispatchOne(MSG& message);
// Handles every pending message; false when the program is to end (the quit
// message is left for the outermost loop).
bool DispatchPending();

class Form {
 public:
  Form();
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  HWND Handle() const { return window_; }
  UINT Dpi() const { return dpi_; }
  // A control made by Add, by its id; null when there is none.
  HWND Control(int id) const;
  // The state of the check box `id`.
  bool Checked(int id) const { return ::IsDlgButtonChecked(Handle(), id) == BST_CHECKED; }
  void Check(int id, bool checked) { ::CheckDlgButton(Handle(), id, checked ? BST_CHECKED : BST_UNCHECKED); }

  // Shows the form over `owner` (disabled meanwhile) and returns when it has
  // closed; a quit message ends the showing too and is passed on.
  void ShowModal(HWND owner);
  // Ends the modal showing: hides the form and runs Hidden.
  void Close();
  bool Showing() const { return showing_; }

  // The forms shown modally now, the most recent last; Restore brings them
  // back with the main window.
  static const std::vector<Form*>& ModalForms();

 protected:
  // Makes the window (hidden) with a client area of `width` by `height` at
  // 96 DPI below its menu bar, if any. `dialog`: keyboard navigation between
  // the controls by Tab and the arrow keys.
  void CreateForm(const std::string& caption, DWORD style, DWORD exStyle, int width, int height, HMENU menu,
                  bool dialog);
  // A child control at its place (at 96 DPI) in the client area.
  HWND Add(const wchar_t* windowClass, const std::string& text, DWORD style, int left, int top, int width,
           int height, int id, DWORD exStyle = 0);
  HWND Add(const wchar_t* windowClass, const std::string& text, DWORD style, const ui::Rect& place, int id,
           DWORD exStyle = 0) {
    return Add(windowClass, text, style, place.left, place.top, place.width, place.height, id, exStyle);
  }
  // Gives the control the bold or the underlined bold form font.
  void UseBoldFont(HWND control, bool underlined = false);
  // Widens the form and its fixed places, where the system's font is wider
  // than the one they were made for, just enough that every check box and
  // left-aligned label shows its whole caption; heights stay. With a narrow
  // enough font nothing changes. Called once the controls are made.
  void FitCaptions();
  // Puts the glyph on a button, drawn again whenever the DPI changes.
  void SetGlyph(HWND button, Glyph glyph);
  // Places the window: over `other` when it is visible, else in the middle
  // of the work area of the monitor nearest to it.
  void CentreOver(HWND other);

  // Events.
  virtual LRESULT Message(UINT message, WPARAM wParam, LPARAM lParam);
  virtual void Command(int /*id*/, int /*code*/, HWND /*control*/) {}
  virtual void Placing() {}  // before the form appears (placing it)
  virtual void Shown() {}    // after it has appeared
  virtual void Hidden() {}
  // Places every control for the current DPI; forms with controls that grow
  // with the window place those themselves after calling this.
  virtual void Layout();

  HFONT BoldFont() const { return boldFont_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void MakeFonts();
  void FitToClient();
  // A stretch of the fixed places across the form (left edge and width at
  // 96 DPI) in pixels: widened as FitCaptions decided, at the form's DPI.
  struct Span {
    int left, width;
  };
  Span Across(int left, int width) const;

  struct Placed {
    HWND control;
    RECT design;  // left, top, right, bottom at 96 DPI
    int font;     // 0 normal, 1 bold, 2 bold underlined
  };
  HWND window_ = nullptr;
  HWND owner_ = nullptr;
  UINT dpi_ = 96;
  int clientWidth_ = 0, clientHeight_ = 0;
  HFONT font_ = nullptr, boldFont_ = nullptr, linkFont_ = nullptr;
  double widen_ = 1.0;  // how much wider than designed the form stands
  std::vector<Placed> controls_;
  struct Pictured {
    HWND button;
    Glyph glyph;
    HICON icon;
    HIMAGELIST images;  // for a button with a caption
  };
  std::vector<Pictured> glyphs_;
  bool showing_ = false;
  bool modal_ = false;
  bool ownerWasEnabled_ = false;
};

}  // namespace tandrel::win32
