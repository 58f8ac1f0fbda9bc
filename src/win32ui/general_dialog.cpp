#include "win32ui/general_dialog.h"

#include <commctrl.h>

#include "ui/general_dialog_layout.h"

namespace tandrel::win32 {
namespace {

namespace layout = ui::general_layout;
using ui::Within;
// The caret stands behind the last character of "hh:mm".
constexpr int kCaretAfterTime = 5;

}  // namespace

GeneralDialog::GeneralDialog(const std::string& configPath, GeneralSettings& settings)
    : editor_(configPath, settings, *this, prompter_) {
  const HMENU bar = ::CreateMenu();
  const HMENU file = ::CreatePopupMenu();
  ::AppendMenuW(file, MF_STRING, kIdGeneralClose, L"&Close");
  ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
  CreateForm("Configuration General", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
             WS_EX_CONTROLPARENT, layout::kClientWidth, layout::kClientHeight, bar, true);
  const ui::Rect timeBox = layout::kTimeBox.place, logBox = layout::kLogBox.place;
  const auto check = [this](const ui::Rect& box, const ui::Captioned& control, int id, DWORD style = 0) {
    Add(L"BUTTON", control.caption, WS_TABSTOP | BS_AUTOCHECKBOX | style, Within(box, control.place), id);
  };
  // Made in the tab order: the time box (the interval switch before the
  // field), then the log box with "Create logfile" last, then Close.
  check(timeBox, layout::kIntervalTimer, kIdIntervalTimer, WS_GROUP);
  const HWND time = Add(L"EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, Within(timeBox, layout::kTimeField),
                        kIdTime, WS_EX_CLIENTEDGE);
  ::SetWindowSubclass(time, &GeneralDialog::TimeFieldProcedure, 1, reinterpret_cast<DWORD_PTR>(this));
  check(logBox, layout::kExtendedLog, kIdExtendedLog);
  check(logBox, layout::kAppendLog, kIdAppendLog);
  check(logBox, layout::kMultipleLog, kIdMultipleLog);
  check(logBox, layout::kCreateLog, kIdCreateLog);
  SetGlyph(Add(L"BUTTON", layout::kClose.caption, WS_TABSTOP | BS_PUSHBUTTON, layout::kClose.place,
               kIdGeneralCloseButton),
           Glyph::Door);
  // Labels and frames last: below the controls they surround.
  Add(L"STATIC", layout::kTimeLabel.caption, 0, Within(timeBox, layout::kTimeLabel.place), -1);
  Add(L"BUTTON", layout::kTimeBox.caption, BS_GROUPBOX, timeBox, -1);
  Add(L"BUTTON", layout::kLogBox.caption, BS_GROUPBOX, logBox, -1);
  FitCaptions();
}

LRESULT CALLBACK GeneralDialog::TimeFieldProcedure(HWND field, UINT message, WPARAM wParam, LPARAM lParam,
                                                   UINT_PTR, DWORD_PTR self) {
  // The field is left when the focus moves to another control of the
  // dialog; another window, a menu or the closing dialog do not count.
  if (message == WM_KILLFOCUS) {
    auto* dialog = reinterpret_cast<GeneralDialog*>(self);
    const auto next = reinterpret_cast<HWND>(wParam);
    if (next && ::IsChild(dialog->Handle(), next) && dialog->Showing()) {
      const LRESULT result = ::DefSubclassProc(field, message, wParam, lParam);
      dialog->editor_.TimeLeft();
      return result;
    }
  }
  return ::DefSubclassProc(field, message, wParam, lParam);
}

void GeneralDialog::Placing() {
  CentreOver(::GetWindow(Handle(), GW_OWNER));
  editor_.Shown();
}

void GeneralDialog::Hidden() { editor_.Hidden(); }

void GeneralDialog::Command(int id, int code, HWND) {
  switch (id) {
    case kIdTime:
      if (code == EN_CHANGE) editor_.TimeChanged();
      break;
    case kIdIntervalTimer:
      if (code == BN_CLICKED) editor_.TimeLeft();
      break;
    case kIdCreateLog:
      if (code == BN_CLICKED) editor_.LogClick();
      break;
    case kIdGeneralClose:
    case kIdGeneralCloseButton:
      Close();
      break;
    default:
      break;
  }
}

GeneralSettings GeneralDialog::Fields() const {
  GeneralSettings settings;
  settings.time = WindowText(Control(kIdTime));
  settings.interval = Checked(kIdIntervalTimer);
  settings.logFile = Checked(kIdCreateLog);
  settings.extendedLog = Checked(kIdExtendedLog);
  settings.appendLog = Checked(kIdAppendLog);
  settings.multipleLog = Checked(kIdMultipleLog);
  return settings;
}

void GeneralDialog::ShowSettings(const GeneralSettings& settings) {
  SetWindowText(Control(kIdTime), settings.time);
  Check(kIdIntervalTimer, settings.interval);
  Check(kIdCreateLog, settings.logFile);
  Check(kIdExtendedLog, settings.extendedLog);
  Check(kIdAppendLog, settings.appendLog);
  Check(kIdMultipleLog, settings.multipleLog);
}

void GeneralDialog::ShowTypedTime(const std::string& text) {
  const HWND field = Control(kIdTime);
  if (WindowText(field) != text) SetWindowText(field, text);
  ::SendMessageW(field, EM_SETSEL, kCaretAfterTime, kCaretAfterTime);
}

void GeneralDialog::EnableMultipleLog(bool enabled) { ::EnableWindow(Control(kIdMultipleLog), enabled); }

}  // namespace tandrel::win32
