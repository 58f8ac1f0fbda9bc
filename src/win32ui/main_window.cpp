#include "win32ui/main_window.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/win32/wide.h"
#include "program/unattended.h"
#include "ui/main_menu.h"
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
constexpr UINT_PTR kDrainTimer = 2;
constexpr COLORREF kFailureColour = RGB(0xC0, 0x00, 0x00);

// The id of a command's menu items, and of its tool button.
int MenuId(ui::MainCommand command) {
  switch (command) {
    case ui::MainCommand::Exit:
      return kIdExit;
    case ui::MainCommand::Synchronise:
      return kIdSynchronise;
    case ui::MainCommand::Stop:
      return kIdStop;
    case ui::MainCommand::Preview:
      return kIdPreview;
    case ui::MainCommand::ViewLogFile:
      return kIdViewLogFile;
    case ui::MainCommand::Jobs:
      return kIdJobs;
    case ui::MainCommand::General:
      return kIdGeneral;
    case ui::MainCommand::Contents:
      return kIdContents;
    case ui::MainCommand::About:
      return kIdAbout;
    case ui::MainCommand::Restore:
      return kIdRestore;
    case ui::MainCommand::Tick:
      break;
  }
  return 0;
}

int ButtonId(ui::MainCommand command) {
  return command == ui::MainCommand::Synchronise ? kIdSyncButton
         : command == ui::MainCommand::General   ? kIdGeneralButton
                                                 : kIdJobsButton;
}

Glyph GlyphOf(ui::MainCommand command) {
  return command == ui::MainCommand::Synchronise ? Glyph::Sync
         : command == ui::MainCommand::General   ? Glyph::ConfigGeneral
                                                 : Glyph::ConfigJobs;
}

// The panel's inner edge, where the first tool button starts.
constexpr int kToolButtonsLeft = 1;

void AppendItem(HMENU menu, const ui::MenuItem& item) {
  if (item.separatorBefore) ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(menu, MF_STRING, MenuId(item.command), Wide(item.caption).c_str());
}

}  // namespace

MainWindow::MainWindow(std::string programPath)
    : logic_(std::make_unique<ui::MainWindowLogic>(std::move(programPath), static_cast<ui::MainView&>(*this),
                                                   prompter_)) {
  BuildMenu();
  BuildControls();
  CentreOver(nullptr);
  taskbarCreated_ = ::RegisterWindowMessageW(L"TaskbarCreated");
  tray_.Add(Handle(), ProductIcon(::GetSystemMetrics(SM_CXSMICON)), kApplicationTitle);
  ::SetTimer(Handle(), kSyncTimer, kSyncIntervalMs, nullptr);
}

MainWindow::~MainWindow() {
  ::KillTimer(Handle(), kSyncTimer);
  ::KillTimer(Handle(), kDrainTimer);
  tray_.Remove();
  if (tips_) ::DestroyWindow(tips_);
}

void MainWindow::BuildMenu() {
  const HMENU bar = ::CreateMenu();
  HMENU menu = nullptr;
  const char* menuCaption = "";
  for (const ui::MenuItem& item : ui::kMainMenu) {
    if (!menu || std::string(menuCaption) != item.menu) {
      menu = ::CreatePopupMenu();
      menuCaption = item.menu;
      ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(menu), Wide(item.menu).c_str());
    }
    AppendItem(menu, item);
  }
  CreateForm(ui::MainWindowLogic::kCaption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, WS_EX_APPWINDOW,
             kClientWidth, kClientHeight, bar, false);
}

void MainWindow::BuildControls() {
  tips_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr,
                            ::GetModuleHandleW(nullptr), nullptr);
  for (const ui::ToolButton& b : ui::kToolButtons) {
    const HWND button = Add(L"BUTTON", "", BS_PUSHBUTTON | BS_ICON, kToolButtonsLeft + b.left, b.top,
                            ui::kToolButtonWidth, ui::kToolButtonHeight, ButtonId(b.command));
    SetGlyph(button, GlyphOf(b.command));
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

void MainWindow::Layout() {
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

void MainWindow::SetWindows(JobsDialog* configJobs, AboutWindow* about, GeneralDialog* configGeneral) {
  jobsDialog_ = configJobs;
  aboutWindow_ = about;
  generalDialog_ = configGeneral;
}

void MainWindow::ShowAtStart(int showState) {
  // Started minimised without activation: the tray icon alone, until Restore.
  if (showState == SW_SHOWMINNOACTIVE) return;
  ::ShowWindow(Handle(), showState == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
  ::SetForegroundWindow(Handle());
}

LRESULT MainWindow::Message(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == taskbarCreated_ && taskbarCreated_ != 0) {
    // Explorer has restarted and forgotten every icon.
    tray_.Readd();
    return 0;
  }
  switch (message) {
    case WM_TIMER:
      if (wParam == kSyncTimer) logic_->Perform(ui::MainCommand::Tick);
      if (wParam == kDrainTimer) logic_->Drain();
      return 0;
    case kTrayMessage:
      TrayEvent(static_cast<UINT>(lParam));
      return 0;
    case WM_CLOSE:
      // Closed, the window is out of sight; a run in progress goes on, and
      // the program ends when it returns.
      if (logic_->CloseRequested()) ::ShowWindow(Handle(), SW_HIDE);
      return 0;
    case WM_QUERYENDSESSION:
      logic_->QueryEndSession();
      return TRUE;
    case WM_ENDSESSION:
      if (wParam) {
        tray_.Remove();
        // The process may end as soon as this returns: a run under way
        // stops after the file in hand, and is waited for.
        logic_->Perform(ui::MainCommand::Stop);
        logic_->FinishRun();
        logic_->CloseRequested();
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

void MainWindow::Command(int id, int, HWND) {
  for (const ui::MenuItem& item : ui::kMainMenu) {
    if (MenuId(item.command) == id) return logic_->Perform(item.command);
  }
  for (const ui::MenuItem& item : ui::kTrayMenu) {
    if (MenuId(item.command) == id) return logic_->Perform(item.command);
  }
  for (const ui::ToolButton& b : ui::kToolButtons) {
    if (ButtonId(b.command) == id) return logic_->Perform(b.command);
  }
}

void MainWindow::TrayEvent(UINT mouseMessage) {
  switch (mouseMessage) {
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
      logic_->Perform(ui::MainCommand::Restore);
      break;
    case WM_RBUTTONUP: {
      const HMENU menu = ::CreatePopupMenu();
      for (const ui::MenuItem& item : ui::kTrayMenu) AppendItem(menu, item);
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

void MainWindow::PaintPanel() {
  PAINTSTRUCT paint;
  const HDC dc = ::BeginPaint(Handle(), &paint);
  RECT client{};
  ::GetClientRect(Handle(), &client);
  RECT panel{0, 0, client.right, Scaled(kPanelHeight, Dpi())};
  ::DrawEdge(dc, &panel, BDR_RAISEDINNER, BF_RECT);
  ::EndPaint(Handle(), &paint);
}

void MainWindow::DrawLine(const DRAWITEMSTRUCT& item) {
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

void MainWindow::AddLines(const std::vector<std::string>& lines) {
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

void MainWindow::ClearLines() {
  lines_.clear();
  failure_.clear();
  widest_ = 0;
  ::SendMessageW(log_, LB_RESETCONTENT, 0, 0);
  ::SendMessageW(log_, LB_SETHORIZONTALEXTENT, 0, 0);
}

void MainWindow::AppendLines(const std::vector<std::string>& lines, bool) { AddLines(lines); }

void MainWindow::ReplaceLines(const std::vector<std::string>& lines) {
  ClearLines();
  AddLines(lines);
}

bool MainWindow::ShowsLastLine() const {
  const int count = static_cast<int>(lines_.size());
  if (count == 0) return true;
  RECT client{};
  ::GetClientRect(log_, &client);
  const int lineHeight = std::max(1, static_cast<int>(::SendMessageW(log_, LB_GETITEMHEIGHT, 0, 0)));
  const int top = static_cast<int>(::SendMessageW(log_, LB_GETTOPINDEX, 0, 0));
  return top + client.bottom / lineHeight >= count;
}

void MainWindow::ScrollToLine(int line) { ::SendMessageW(log_, LB_SETTOPINDEX, std::max(0, line), 0); }

void MainWindow::ScrollToEnd() {
  if (!lines_.empty()) ::SendMessageW(log_, LB_SETTOPINDEX, lines_.size() - 1, 0);
}

void MainWindow::DrainEvery(std::chrono::milliseconds interval) {
  if (interval.count() > 0) {
    ::SetTimer(Handle(), kDrainTimer, static_cast<UINT>(interval.count()), nullptr);
  } else {
    ::KillTimer(Handle(), kDrainTimer);
  }
}

void MainWindow::ShowStatus(const std::string& text) {
  ::SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
}

void MainWindow::ShowTrayTip(const std::string& text) { tray_.SetTip(text); }

void MainWindow::ShowTrayMessage(const std::string& text) {
  tray_.ShowMessage(ui::MainWindowLogic::kCaption, text);
}

void MainWindow::CloseWindow() { ::SendMessageW(Handle(), WM_CLOSE, 0, 0); }

void MainWindow::ShowJobs() {
  if (jobsDialog_) jobsDialog_->ShowModal(Handle());
}

void MainWindow::ShowGeneral() {
  if (generalDialog_) generalDialog_->ShowModal(Handle());
}

void MainWindow::ShowAbout() {
  if (!aboutWindow_) return;
  aboutWindow_->CentreOverMain(Handle());
  aboutWindow_->ShowModal(Handle());
}

void MainWindow::Restore() {
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

void MainWindow::EndProgram() {
  ::ShowWindow(Handle(), SW_HIDE);
  ::PostQuitMessage(0);
}

}  // namespace tandrel::win32
