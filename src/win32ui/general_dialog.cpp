#include "win32ui/general_dialog.h"

#include <commctrl.h>

namespace tandrel::win32 {
namespace {

constexpr int kClientWidth = 233;
constexpr int kClientHeight = 243;
// The caret stands behind the last character of "hh:mm".
constexpr int kCaretAfterTime = 5;

}  // namespace

TfConfigGeneral::TfConfigGeneral(const std::string& configPath, GeneralSettings& settings)
    : editor_(configPath, settings, *this, prompter_) {
  const HMENU bar = ::CreateMenu();
  const HMENU file = ::CreatePopupMenu();
  ::AppendMenuW(file, MF_STRING, kIdGeneralClose, L"&Close");
  ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
  CreateForm("Configuration General", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
             WS_EX_CONTROLPARENT, kClientWidth, kClientHeight, bar, true);
  // Made in the tab order: the time box (the interval switch before the
  // field), then the log box with "Create logfile" last, then Close.
  Add(L"BUTTON", "As interval timer", WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX, 120, 24, 97, 17,
      kIdIntervalTimer);
  const HWND time = Add(L"EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, 48, 24, 41, 21, kIdTime, WS_EX_CLIENTEDGE);
  ::SetWindowSubclass(time, &TfConfigGeneral::TimeFieldProcedure, 1, reinterpret_cast<DWORD_PTR>(this));
  Add(L"BUTTON", "Extended log", WS_TABSTOP | BS_AUTOCHECKBOX, 48, 64 + 24, 161, 17, kIdExtendedLog);
  Add(L"BUTTON", "Append to log", WS_TABSTOP | BS_AUTOCHECKBOX, 48, 64 + 48, 161, 17, kIdAppendLog);
  Add(L"BUTTON", "Date dependent logfile", WS_TABSTOP | BS_AUTOCHECKBOX, 48, 64 + 96, 161, 17,
      kIdMultipleLog);
  Add(L"BUTTON", "Create logfile", WS_TABSTOP | BS_AUTOCHECKBOX, 48, 64 + 72, 161, 17, kIdCreateLog);
  const HWND close =
      Add(L"BUTTON", "   Close   ", WS_TABSTOP | BS_PUSHBUTTON, 74, 191, 87, 25, kIdGeneralCloseButton);
  SetGlyph(close, Glyph::Door);
  // Labels and frames last: below the controls they surround.
  Add(L"STATIC", "Time", 0, 8, 24 + 3, 23, 13, -1);
  Add(L"BUTTON", "Time", BS_GROUPBOX, 0, 0, 233, 65, -1);
  Add(L"BUTTON", "Log options", BS_GROUPBOX, 0, 64, 233, 121, -1);
  Add(STATUSCLASSNAMEW, "", CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER, 0, 224, 233, 19, -1);
  FitCaptions();
}

LRESULT CALLBACK TfConfigGeneral::TimeFieldProcedure(HWND field, UINT message, WPARAM wParam, LPARAM lParam,
                                                     UINT_PTR, DWORD_PTR self) {
  // The field is left when the focus moves to another control of the
  // dialog; another window, a menu or the closing dialog do not count.
  if (message == WM_KILLFOCUS) {
    auto* dialog = reinterpret_cast<TfConfigGeneral*>(self);
    const auto next = reinterpret_cast<HWND>(wParam);
    if (next && ::IsChild(dialog->Handle(), next) && dialog->Showing()) {
      const LRESULT result = ::DefSubclassProc(field, message, wParam, lParam);
      dialog->editor_.TimeLeft();
      return result;
    }
  }
  return ::DefSubclassProc(field, message, wParam, lParam);
}

void TfConfigGeneral::Placing() {
  CentreOver(::GetWindow(Handle(), GW_OWNER));
  editor_.Shown();
}

void TfConfigGeneral::Hidden() { editor_.Hidden(); }

void TfConfigGeneral::Command(int id, int code, HWND) {
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

GeneralSettings TfConfigGeneral::Fields() const {
  GeneralSettings settings;
  settings.time = WindowText(Control(kIdTime));
  settings.interval = Checked(kIdIntervalTimer);
  settings.logFile = Checked(kIdCreateLog);
  settings.extendedLog = Checked(kIdExtendedLog);
  settings.appendLog = Checked(kIdAppendLog);
  settings.multipleLog = Checked(kIdMultipleLog);
  return settings;
}

void TfConfigGeneral::ShowSettings(const GeneralSettings& settings) {
  SetWindowText(Control(kIdTime), settings.time);
  Check(kIdIntervalTimer, settings.interval);
  Check(kIdCreateLog, settings.logFile);
  Check(kIdExtendedLog, settings.extendedLog);
  Check(kIdAppendLog, settings.appendLog);
  Check(kIdMultipleLog, settings.multipleLog);
}

void TfConfigGeneral::ShowTypedTime(const std::string& text) {
  const HWND field = Control(kIdTime);
  if (WindowText(field) != text) SetWindowText(field, text);
  ::SendMessageW(field, EM_SETSEL, kCaretAfterTime, kCaretAfterTime);
}

void TfConfigGeneral::EnableMultipleLog(bool enabled) { ::EnableWindow(Control(kIdMultipleLog), enabled); }

}  // namespace tandrel::win32
