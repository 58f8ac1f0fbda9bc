#include "win32ui/about_window.h"

#include <vector>

#include "platform/process.h"
#include "platform/win32/wide.h"
#include "ui/about_layout.h"
#include "ui/about_text.h"
#include "win32ui/glyphs.h"
#include "win32ui/win32_prompter.h"

namespace tandrel::win32 {
namespace {

using platform::win32::Wide;

namespace layout = ui::about_layout;

constexpr UINT kCloseAfterMs = 3000;
constexpr COLORREF kYellow = RGB(255, 255, 0);

bool IsLink(HWND control) {
  const int id = ::GetDlgCtrlID(control);
  return id == kIdCopyRight || id == kIdHomePageText;
}

}  // namespace

std::string VersionLineOf(const std::string& path) {
  const std::wstring file = Wide(path);
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &ignored);
  std::vector<BYTE> data(size);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (size == 0 || !::GetFileVersionInfoW(file.c_str(), 0, size, data.data()) ||
      !::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed) {
    return ui::VersionLine(0, 0, 0, 0);
  }
  return ui::VersionLine(HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                         HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
}

AboutWindow::AboutWindow() {
  // A caption only: no system menu, no minimise, maximise or close button.
  CreateForm("About Tandrel", WS_POPUP | WS_CAPTION, WS_EX_DLGMODALFRAME, layout::kClientWidth,
             layout::kClientHeight, nullptr, true);
  yellow_ = ::CreateSolidBrush(kYellow);
  // OK first among the controls that take the focus, then WWW.
  SetGlyph(Add(L"BUTTON", layout::kOk.caption, WS_TABSTOP | BS_DEFPUSHBUTTON, layout::kOk.place, IDOK),
           Glyph::Ok);
  SetGlyph(Add(L"BUTTON", layout::kHomePage.caption, WS_TABSTOP | BS_PUSHBUTTON, layout::kHomePage.place,
               kIdHomePage),
           Glyph::HomePage);
  // The version line is set at every showing.
  UseBoldFont(Add(L"STATIC", "", SS_CENTER, layout::kVersionLine, kIdVersion));
  UseBoldFont(Add(L"STATIC", ui::kCopyRight, SS_CENTER | SS_NOTIFY, layout::kCopyrightLine, kIdCopyRight));
  UseBoldFont(Add(L"STATIC", ui::kHomePage, SS_CENTER | SS_NOTIFY, layout::kHomePageLine, kIdHomePageText),
              true);
  // Runs from creation, so the start-up splash goes three seconds after the
  // windows are made; the first hiding switches it off for good.
  ::SetTimer(Handle(), kCloseTimer, kCloseAfterMs, nullptr);
}

AboutWindow::~AboutWindow() { ::DeleteObject(yellow_); }

void AboutWindow::OpenHomePage() {
  Win32Prompter prompter;
  ui::OpenOrSayWhere(prompter, ui::kHomePage);
}

void AboutWindow::Placing() {
  CentreOver(centreOver_);
  SetWindowText(Control(kIdVersion), VersionLineOf(platform::ExecutablePath()));
}

void AboutWindow::Shown() {
  ::SetFocus(Control(IDOK));
  if (timeUp_) ::PostMessageW(Handle(), WM_CLOSE, 0, 0);
}

void AboutWindow::Hidden() {
  ::KillTimer(Handle(), kCloseTimer);
  timeUp_ = false;
}

void AboutWindow::Command(int id, int code, HWND) {
  switch (id) {
    case IDOK:
    case IDCANCEL:  // Esc works as OK does
      Close();
      break;
    case kIdHomePage:
      OpenHomePage();
      Close();
      break;
    case kIdCopyRight:
    case kIdHomePageText:
      if (code == STN_CLICKED) OpenHomePage();
      break;
    default:
      break;
  }
}

LRESULT AboutWindow::Message(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kCloseTimer) {
        ::KillTimer(Handle(), kCloseTimer);
        // Time that ran out before the splash could appear (a slow start)
        // closes it as soon as it does.
        if (Showing()) {
          Close();
        } else {
          timeUp_ = true;
        }
      }
      return 0;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_CTLCOLORSTATIC: {
      // Yellow panels, written in the desktop's colour.
      const auto dc = reinterpret_cast<HDC>(wParam);
      ::SetBkColor(dc, kYellow);
      ::SetTextColor(dc, ::GetSysColor(COLOR_DESKTOP));
      return reinterpret_cast<LRESULT>(yellow_);
    }
    case WM_SETCURSOR:
      if (IsLink(reinterpret_cast<HWND>(wParam))) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    default:
      break;
  }
  return Form::Message(message, wParam, lParam);
}

void AboutWindow::Paint() {
  PAINTSTRUCT paint;
  const HDC dc = ::BeginPaint(Handle(), &paint);
  RECT client{};
  ::GetClientRect(Handle(), &client);
  PaintAboutBackground(dc, client);
  const ui::Rect& icon = layout::kProductIcon;
  ::DrawIconEx(dc, Scaled(icon.left, Dpi()), Scaled(icon.top, Dpi()), ProductIcon(Scaled(32, Dpi())),
               Scaled(icon.width, Dpi()), Scaled(icon.height, Dpi()), 0, nullptr, DI_NORMAL);
  ::EndPaint(Handle(), &paint);
}

}  // namespace tandrel::win32
