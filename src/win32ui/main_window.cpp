#include "win32ui/main_window.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/win32/wide.h"
#include "program/unattended.h"
#include "ui/main_window_layout.h"
#include "ui/run_status.h"
#include "win32ui/about_window.h"
#include "win32ui/general_dialog.h"
#include "win32ui/jobs_dialog.h"

namespace tandrel::win32 {
namespace {

using platform::win32::Wide;

using namespace ui::main_layout;
constexpr int kLineHeight = 14;
constexpr UINT_PTR kSyncTimer = 1;
constexpr COLORREF kFailureColour = RGB(0xC0, 0x00, 0x00);

struct ToolButton {
  int id;
  int left, top;
  const char* hint;
  Glyph glyph;
};
const ToolButton kToolButtons[] = {
    {kIdSyncButton, 32, 4, "Synchronise", Glyph::Sync},
    {kIdGeneralButton, 72, 2, "Configuration general", Glyph::ConfigGeneral},
    {kIdJobsButton, 96, 2, "Configuration jobs", Glyph::ConfigJobs},
};

void AppendItem(HMENU menu, int id, const wchar_t* caption) { ::AppendMenuW(menu, MF_STRING, id, caption); }

}  // namespace

TfMain::TfMain(std::string programPath) : ui::MainWindowLogic(std::move(programPath), *this, prompter_) {
  BuildMenu();
  BuildControls();
  CentreOver(nullptr);
  taskbarCreated_ = ::RegisterWindowMessageW(L"TaskbarCreated");
  tray_.Add(Handle(), ProductIcon(::GetSystemMetrics(SM_CXSMICON)), kApplicationTitle);
  ::SetTimer(Handle(), kSyncTimer, kSyncIntervalMs, nullptr);
}

TfMain::~TfMain() {
  ::KillTimer(Handle(), kSyncTimer);
  tray_.Remove();
  if (tips_) ::DestroyWindow(tips_);
}

void TfMain::BuildMenu() {
  const HMENU bar = ::CreateMenu();
  const HMENU file = ::CreatePopupMenu();
  AppendItem(file, kIdExit, L"E&xit");
  const HMENU action = ::CreatePopupMenu();
  AppendItem(action, kIdSynchronise, L"&Synchronise");
  AppendItem(action, kIdStop, L"S&top");
  AppendItem(action, kIdPreview, L"&Preview");
  ::AppendMenuW(action, MF_SEPARATOR, 0, nullptr);
  AppendItem(action, kIdViewLogFile, L"&View logfile");
  const HMENU config = ::CreatePopupMenu();
  AppendItem(config, kIdJobs, L"&Jobs");
  AppendItem(config, kIdGeneral, L"&General");
  const HMENU help = ::CreatePopupMenu();
  AppendItem(help, kIdContents, L"&Contents");
  AppendItem(help, kIdAbout, L"&About");
  ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
  ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(action), L"&Action");
  ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(config), L"&Config");
  ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"&Help");
  CreateForm(kCaption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, WS_EX_APPWINDOW, kClientWidth, kClientHeight,
             bar, false);
}

void TfMain::BuildControls() {
  tips_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr,
                            ::GetModuleHandleW(nullptr), nullptr);
  for (const ToolButton& b : kToolButtons) {
    const HWND button = Add(L"BUTTON", "", BS_PUSHBUTTON | BS_ICON, b.left, b.top, 23, 22, b.id);
    SetGlyph(button, b.glyph);
    std::wstring hint = Wide(b.hint);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(button);
    tool.lpszText = hint.data();
    ::SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  Add(L"STATIC", "Log", SS_RIGHT, 7, 32, 20, 13, kIdLogLabel);
  // Lines are kept here, not in the list: it only asks how to draw them.
  log_ = Add(L"LISTBOX", "",
             WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | LBS_OWNERDRAWFIXED | LBS_NODATA | LBS_NOINTEGRALHEIGHT, 0,
             kLogTop, kClientWidth, 413, kIdLog, WS_EX_CLIENTEDGE);
  UseBoldFont(log_);
  status_ = Add(STATUSCLASSNAMEW, "", CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER, 0,
                kClientHeight - kStatusHeight, kClientWidth, kStatusHeight, kIdStatusBar);
  Layout();
}

void TfMain::Layout() {
  Form::Layout();
  RECT client{};
  ::GetClientRect(Handle(), &client);
  const int width = client.right, height = client.bottom;
  const int statusHeight = Scaled(kStatusHeight, Dpi());
  const int logTop = Scaled(kLogTop, Dpi());
  ::SetWindowPos(log_, nullptr, 0, logTop, width,
                 std::max(0, height - logTop - statusHeight - Scaled(kLogBottomGap, Dpi())),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  ::SendMessageW(log_, LB_SETITEMHEIGHT, 0, Scaled(kLineHeight, Dpi()));
  ::SetWindowPos(status_, nullptr, 0, height - statusHeight, width, statusHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  const RECT panel{0, 0, width, Scaled(kPanelHeight, Dpi())};
  ::InvalidateRect(Handle(), &panel, TRUE);
}

void TfMain::SetWindows(JobsDialog* configJobs, AboutWindow* about, GeneralDialog* configGeneral) {
  jobsDialog_ = configJobs;
  aboutWindow_ = about;
  generalDialog_ = configGeneral;
}

void TfMain::ShowAtStart(int showState) {
  // Started minimised without activation: the tray icon alone, until Restore.
  if (showState == SW_SHOWMINNOACTIVE) return;
  ::ShowWindow(Handle(), showState == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
  ::SetForegroundWindow(Handle());
}

LRESULT TfMain::Message(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == taskbarCreated_ && taskbarCreated_ != 0) {
    // Explorer has restarted and forgotten every icon.
    tray_.Readd();
    return 0;
  }
  switch (message) {
    case WM_TIMER:
      if (wParam == kSyncTimer) Perform(ui::MainCommand::Tick);
      return 0;
    case kTrayMessage:
      TrayEvent(static_cast<UINT>(lParam));
      return 0;
    case WM_CLOSE:
      // Closed, the window is out of sight; a run in progress goes on, and
      // the program ends when it returns.
      if (CloseRequested()) ::ShowWindow(Handle(), SW_HIDE);
      return 0;
    case WM_QUERYENDSESSION:
      QueryEndSession();
      return TRUE;
    case WM_ENDSESSION:
      if (wParam) {
        tray_.Remove();
        if (RunInProgress) RequestStop();
        CloseRequested();
      }
      return 0;
    case WM_SIZE:
      // Minimised, the window leaves the screen and the taskbar; the tray
      // icon is the way back.
      if (wParam == SIZE_MINIMIZED) {
        ::ShowWindow(Handle(), SW_HIDE);
      } else {
        Layout();
      }
      return 0;
    case WM_PAINT:
      PaintPanel();
      return 0;
    case WM_MEASUREITEM: {
      auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      item->itemHeight = static_cast<UINT>(Scaled(kLineHeight, Dpi()));
      return TRUE;
    }
    case WM_DRAWITEM:
      DrawLine(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_GETMINMAXINFO: {
      auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
      limits->ptMinTrackSize = {Scaled(200, Dpi()), Scaled(150, Dpi())};
      return 0;
    }
    default:
      return Form::Message(message, wParam, lParam);
  }
}

void TfMain::Command(int id, int, HWND) {
  switch (id) {
    case kIdExit:
      Perform(ui::MainCommand::Exit);
      break;
    case kIdSynchronise:
    case kIdSyncButton:
      Perform(ui::MainCommand::Synchronise);
      break;
    case kIdStop:
      Perform(ui::MainCommand::Stop);
      break;
    case kIdPreview:
      Perform(ui::MainCommand::Preview);
      break;
    case kIdViewLogFile:
      Perform(ui::MainCommand::ViewLogFile);
      break;
    case kIdJobs:
    case kIdJobsButton:
      Perform(ui::MainCommand::Jobs);
      break;
    case kIdGeneral:
    case kIdGeneralButton:
      Perform(ui::MainCommand::General);
      break;
    case kIdContents:
      Perform(ui::MainCommand::Contents);
      break;
    case kIdAbout:
      Perform(ui::MainCommand::About);
      break;
    case kIdRestore:
      Perform(ui::MainCommand::Restore);
      break;
    default:
      break;
  }
}

void TfMain::TrayEvent(UINT mouseMessage) {
  switch (mouseMessage) {
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
      Perform(ui::MainCommand::Restore);
      break;
    case WM_RBUTTONUP: {
      const HMENU menu = ::CreatePopupMenu();
      AppendItem(menu, kIdRestore, L"&Restore");
      AppendItem(menu, kIdStop, L"S&top");
      AppendItem(menu, kIdExit, L"E&xit");
      POINT at{};
      ::GetCursorPos(&at);
      // The menu closes when the user clicks elsewhere only if the window
      // is in front; the returned command works also while a dialog holds
      // the window disabled.
      ::SetForegroundWindow(Handle());
      const int chosen = ::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_BOTTOMALIGN, at.x, at.y,
                                          0, Handle(), nullptr);
      ::PostMessageW(Handle(), WM_NULL, 0, 0);
      ::DestroyMenu(menu);
      if (chosen) Command(chosen, 0, nullptr);
      break;
    }
    default:
      break;
  }
}

void TfMain::PaintPanel() {
  PAINTSTRUCT paint;
  const HDC dc = ::BeginPaint(Handle(), &paint);
  RECT client{};
  ::GetClientRect(Handle(), &client);
  RECT panel{0, 0, client.right, Scaled(kPanelHeight, Dpi())};
  ::DrawEdge(dc, &panel, BDR_RAISEDINNER, BF_RECT);
  ::EndPaint(Handle(), &paint);
}

void TfMain::DrawLine(const DRAWITEMSTRUCT& item) {
  if (item.CtlID != kIdLog || item.itemID == static_cast<UINT>(-1) || item.itemID >= lines_.size()) return;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  const bool failure = failure_[item.itemID] != 0;
  ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  ::SetBkMode(item.hDC, TRANSPARENT);
  ::SetTextColor(item.hDC, selected  ? ::GetSysColor(COLOR_HIGHLIGHTTEXT)
                           : failure ? kFailureColour
                                     : ::GetSysColor(COLOR_WINDOWTEXT));
  RECT text = item.rcItem;
  text.left += Scaled(2, Dpi());
  const std::wstring& line = lines_[item.itemID];
  ::DrawTextW(item.hDC, line.c_str(), static_cast<int>(line.size()), &text,
              DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER | DT_EXPANDTABS);
  if (item.itemState & ODS_FOCUS) ::DrawFocusRect(item.hDC, &item.rcItem);
}

void TfMain::AddLines(const std::vector<std::string>& lines) {
  const HDC dc = ::GetDC(log_);
  const HGDIOBJ old = ::SelectObject(dc, BoldFont());
  for (const std::string& line : lines) {
    lines_.push_back(Wide(line));
    failure_.push_back(ui::IsFailureLine(line) ? 1 : 0);
    SIZE size{};
    const std::wstring& wide = lines_.back();
    ::GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    widest_ = std::max(widest_, static_cast<int>(size.cx));
  }
  ::SelectObject(dc, old);
  ::ReleaseDC(log_, dc);
  ::SendMessageW(log_, LB_SETCOUNT, lines_.size(), 0);
  ::SendMessageW(log_, LB_SETHORIZONTALEXTENT, widest_ + Scaled(8, Dpi()), 0);
}

void TfMain::ClearLines() {
  lines_.clear();
  failure_.clear();
  widest_ = 0;
  ::SendMessageW(log_, LB_RESETCONTENT, 0, 0);
  ::SendMessageW(log_, LB_SETHORIZONTALEXTENT, 0, 0);
}

void TfMain::AppendLines(const std::vector<std::string>& lines, bool) { AddLines(lines); }

void TfMain::ReplaceLines(const std::vector<std::string>& lines) {
  ClearLines();
  AddLines(lines);
}

bool TfMain::ShowsLastLine() const {
  const int count = static_cast<int>(lines_.size());
  if (count == 0) return true;
  RECT client{};
  ::GetClientRect(log_, &client);
  const int lineHeight = std::max(1, static_cast<int>(::SendMessageW(log_, LB_GETITEMHEIGHT, 0, 0)));
  const int top = static_cast<int>(::SendMessageW(log_, LB_GETTOPINDEX, 0, 0));
  return top + client.bottom / lineHeight >= count;
}

void TfMain::ScrollToLine(int line) { ::SendMessageW(log_, LB_SETTOPINDEX, std::max(0, line), 0); }

void TfMain::ScrollToEnd() {
  if (!lines_.empty()) ::SendMessageW(log_, LB_SETTOPINDEX, lines_.size() - 1, 0);
}

void TfMain::ProcessMessages() { DispatchPending(); }

void TfMain::ShowStatus(const std::string& text) {
  ::SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
}

void TfMain::ShowTrayTip(const std::string& text) { tray_.SetTip(text); }

void TfMain::ShowTrayMessage(const std::string& text) { tray_.ShowMessage(kCaption, text); }

void TfMain::CloseWindow() { ::SendMessageW(Handle(), WM_CLOSE, 0, 0); }

void TfMain::ShowJobs() {
  if (jobsDialog_) jobsDialog_->ShowModal(Handle());
}

void TfMain::ShowGeneral() {
  if (generalDialog_) generalDialog_->ShowModal(Handle());
}

void TfMain::ShowAbout() {
  if (!aboutWindow_) return;
  aboutWindow_->CentreOverMain(Handle());
  aboutWindow_->ShowModal(Handle());
}

void TfMain::Restore() {
  const HWND window = Handle();
  ::ShowWindow(window, ::IsIconic(window) ? SW_RESTORE : SW_SHOW);
  // A dialog that was open when the program was minimised comes back too,
  // in front: it is what the user has to answer.
  HWND front = window;
  for (Form* form : ModalForms()) {
    ::ShowWindow(form->Handle(), SW_SHOW);
    front = form->Handle();
  }
  ::SetForegroundWindow(::GetLastActivePopup(front));
}

void TfMain::EndProgram() {
  ::ShowWindow(Handle(), SW_HIDE);
  ::PostQuitMessage(0);
}

}  // namespace tandrel::win32
