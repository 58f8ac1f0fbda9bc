#include "win32ui/form.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <exception>

#include "platform/win32/wide.h"
#include "support/error_text.h"
#include "win32ui/win32_prompter.h"

namespace tandrel::win32 {
namespace {

using platform::win32::Narrow;
using platform::win32::Wide;

constexpr wchar_t kFormClass[] = L"TandrelForm";
// Marks the forms whose keyboard navigation the loops handle.
constexpr wchar_t kDialogProperty[] = L"TandrelDialog";

std::vector<Form*>& Modal() {
  static std::vector<Form*> forms;
  return forms;
}

void RegisterFormClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = DefWindowProcW;  // replaced per form at creation
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.hIcon = ::LoadIconW(windowClass.hInstance, MAKEINTRESOURCEW(1));
  windowClass.lpszClassName = kFormClass;
  ::RegisterClassExW(&windowClass);
  registered = true;
}

}  // namespace

int Scaled(int pixels, UINT dpi) { return ::MulDiv(pixels, static_cast<int>(dpi), 96); }

std::string WindowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int got = ::GetWindowTextW(window, text.data(), length + 1);
  return Narrow(text.data(), static_cast<size_t>(std::max(got, 0)));
}

void SetWindowText(HWND window, const std::string& text) { ::SetWindowTextW(window, Wide(text).c_str()); }

void DispatchOne(MSG& message) {
  const HWND root = message.hwnd ? ::GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  if (root && ::GetPropW(root, kDialogProperty) && ::IsDialogMessageW(root, &message)) return;
  ::TranslateMessage(&message);
  ::DispatchMessageW(&message);
}

bool DispatchPending() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return false;
    }
    DispatchOne(message);
  }
  return true;
}

Form::Form() { RegisterFormClass(); }

Form::~Form() {
  if (window_) {
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    ::DestroyWindow(window_);
  }
  for (HFONT font : {font_, boldFont_, linkFont_})
    if (font) ::DeleteObject(font);
  for (const Pictured& pictured : glyphs_) {
    ::DestroyIcon(pictured.icon);
    if (pictured.images) ::ImageList_Destroy(pictured.images);
  }
}

const std::vector<Form*>& Form::ModalForms() { return Modal(); }

void Form::CreateForm(const std::string& caption, DWORD style, DWORD exStyle, int width, int height,
                      HMENU menu, bool dialog) {
  clientWidth_ = width;
  clientHeight_ = height;
  window_ = ::CreateWindowExW(exStyle, kFormClass, Wide(caption).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                              width, height, nullptr, menu, ::GetModuleHandleW(nullptr), nullptr);
  ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  ::SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Form::Procedure));
  if (dialog) ::SetPropW(window_, kDialogProperty, reinterpret_cast<HANDLE>(1));
  dpi_ = ::GetDpiForWindow(window_);
  if (dpi_ == 0) dpi_ = 96;
  MakeFonts();
  FitToClient();
}

void Form::MakeFonts() {
  // The system's dialog font, as the menus and message boxes use it, at the
  // form's DPI: drawn in the standard text colour, so that a disabled
  // control stands out in grey.
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  LOGFONTW face{};
  if (::SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi_)) {
    face = metrics.lfMessageFont;
  } else if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    face = metrics.lfMessageFont;
    face.lfHeight = ::MulDiv(face.lfHeight, static_cast<int>(dpi_), static_cast<int>(::GetDpiForSystem()));
  } else {
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof face, &face);
  }
  for (HFONT font : {font_, boldFont_, linkFont_})
    if (font) ::DeleteObject(font);
  font_ = ::CreateFontIndirectW(&face);
  face.lfWeight = FW_BOLD;
  boldFont_ = ::CreateFontIndirectW(&face);
  face.lfUnderline = TRUE;
  linkFont_ = ::CreateFontIndirectW(&face);
}

Form::Span Form::Across(int left, int width) const {
  const auto at = [this](int x) { return Scaled(static_cast<int>(std::lround(x * widen_)), dpi_); };
  return {at(left), at(left + width) - at(left)};
}

void Form::FitToClient() {
  RECT frame{0, 0, Across(0, clientWidth_).width, Scaled(clientHeight_, dpi_)};
  const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(window_, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrW(window_, GWL_EXSTYLE));
  ::AdjustWindowRectExForDpi(&frame, style, ::GetMenu(window_) != nullptr, exStyle, dpi_);
  ::SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND Form::Add(const wchar_t* windowClass, const std::string& text, DWORD style, int left, int top, int width,
               int height, int id, DWORD exStyle) {
  const Span across = Across(left, width);
  const HWND control = ::CreateWindowExW(
      exStyle, windowClass, Wide(text).c_str(), style | WS_CHILD | WS_VISIBLE, across.left, Scaled(top, dpi_),
      across.width, Scaled(height, dpi_), window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
      ::GetModuleHandleW(nullptr), nullptr);
  ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  controls_.push_back({control, {left, top, left + width, top + height}, 0});
  return control;
}

HWND Form::Control(int id) const { return ::GetDlgItem(window_, id); }

void Form::UseBoldFont(HWND control, bool underlined) {
  for (Placed& placed : controls_) {
    if (placed.control != control) continue;
    placed.font = underlined ? 2 : 1;
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(underlined ? linkFont_ : boldFont_), FALSE);
  }
}

void Form::FitCaptions() {
  const HDC dc = ::GetDC(window_);
  const HGDIOBJ old = ::SelectObject(dc, font_);
  double wider = 1.0;
  for (const Placed& placed : controls_) {
    wchar_t kind[16] = {};
    ::GetClassNameW(placed.control, kind, 16);
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(placed.control, GWL_STYLE));
    const bool checkBox = ::lstrcmpiW(kind, L"Button") == 0 && (style & BS_TYPEMASK) == BS_AUTOCHECKBOX;
    const bool label = ::lstrcmpiW(kind, L"Static") == 0 && (style & SS_TYPEMASK) == SS_LEFT;
    if (!checkBox && !label) continue;
    const std::wstring text = Wide(WindowText(placed.control));
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    // A check box's caption stands right of its box.
    const int room = Scaled(placed.design.right - placed.design.left - (checkBox ? 18 : 0), dpi_);
    if (size.cx > room) wider = std::max(wider, static_cast<double>(size.cx) / room);
  }
  ::SelectObject(dc, old);
  ::ReleaseDC(window_, dc);
  if (wider > 1.0) {
    widen_ = wider * 1.03;
    FitToClient();
    Layout();
  }
}

void Form::SetGlyph(HWND button, Glyph glyph) {
  const int size = Scaled(16, dpi_);
  const HICON icon = GlyphIcon(glyph, size);
  HIMAGELIST images = nullptr;
  if (::GetWindowTextLengthW(button) == 0) {
    ::SendMessageW(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
  } else {
    // Beside a caption the picture keeps to the left edge, clear of the text.
    images = ::ImageList_Create(size, size, ILC_COLOR32, 1, 0);
    ::ImageList_AddIcon(images, icon);
    BUTTON_IMAGELIST list{images, {Scaled(4, dpi_), 0, 0, 0}, BUTTON_IMAGELIST_ALIGN_LEFT};
    ::SendMessageW(button, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&list));
  }
  for (Pictured& pictured : glyphs_) {
    if (pictured.button != button) continue;
    ::DestroyIcon(pictured.icon);
    if (pictured.images) ::ImageList_Destroy(pictured.images);
    pictured.icon = icon;
    pictured.images = images;
    return;
  }
  glyphs_.push_back({button, glyph, icon, images});
}

void Form::Layout() {
  for (const Pictured pictured : std::vector<Pictured>(glyphs_)) SetGlyph(pictured.button, pictured.glyph);
  for (const Placed& placed : controls_) {
    const RECT& r = placed.design;
    const Span across = Across(r.left, r.right - r.left);
    ::SetWindowPos(placed.control, nullptr, across.left, Scaled(r.top, dpi_), across.width,
                   Scaled(r.bottom - r.top, dpi_), SWP_NOZORDER | SWP_NOACTIVATE);
    const HFONT font = placed.font == 2 ? linkFont_ : placed.font == 1 ? boldFont_ : font_;
    ::SendMessageW(placed.control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
}

void Form::CentreOver(HWND other) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ::GetMonitorInfoW(::MonitorFromWindow(other ? other : window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT work = monitor.rcWork;
  RECT area = work;
  if (other && ::IsWindowVisible(other) && !::IsIconic(other)) ::GetWindowRect(other, &area);
  RECT own{};
  ::GetWindowRect(window_, &own);
  const int width = own.right - own.left, height = own.bottom - own.top;
  // Over a smaller window, a form keeps within the work area all the same:
  // a part off the screen could not be reached.
  const int left =
      std::max<int>(work.left, std::min<int>((area.left + area.right - width) / 2, work.right - width));
  const int top =
      std::max<int>(work.top, std::min<int>((area.top + area.bottom - height) / 2, work.bottom - height));
  ::SetWindowPos(window_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::ShowModal(HWND owner) {
  if (showing_) return;
  owner_ = owner;
  // The owner keeps the form above it; a form without one (the splash)
  // stands on its own.
  ::SetWindowLongPtrW(window_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
  ownerWasEnabled_ = owner && ::IsWindowEnabled(owner);
  if (ownerWasEnabled_) ::EnableWindow(owner, FALSE);
  showing_ = modal_ = true;
  Modal().push_back(this);
  Placing();
  ::ShowWindow(window_, SW_SHOW);
  ::SetForegroundWindow(window_);
  Shown();
  MSG message;
  while (showing_) {
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      // The program ends: the form closes as by its close button, and the
      // outer loops see the quit message too.
      Close();
      if (got == 0) ::PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    DispatchOne(message);
  }
}

void Form::Close() {
  if (!showing_) return;
  showing_ = false;
  // The owner first, so that it, not another program, becomes active.
  if (ownerWasEnabled_ && owner_) ::EnableWindow(owner_, TRUE);
  ::ShowWindow(window_, SW_HIDE);
  Modal().erase(std::remove(Modal().begin(), Modal().end(), this), Modal().end());
  modal_ = false;
  Hidden();
  ::PostMessageW(window_, WM_NULL, 0, 0);  // wakes the modal loop
}

LRESULT Form::Message(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      Command(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_SYSCOMMAND:
      // Minimising a dialog minimises the program: the main window goes
      // with it, and the tray icon brings both back.
      if ((wParam & 0xFFF0) == SC_MINIMIZE && modal_) {
        ::ShowWindow(window_, SW_HIDE);
        if (owner_) ::ShowWindow(::GetAncestor(owner_, GA_ROOTOWNER), SW_HIDE);
        return 0;
      }
      break;
    case WM_DPICHANGED: {
      dpi_ = HIWORD(wParam);
      MakeFonts();
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      ::SetWindowPos(window_, nullptr, suggested->left, suggested->top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      FitToClient();
      Layout();
      ::InvalidateRect(window_, nullptr, TRUE);
      return 0;
    }
    default:
      break;
  }
  return ::DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK Form::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* form = reinterpret_cast<Form*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!form) return ::DefWindowProcW(window, message, wParam, lParam);
  // Nothing may escape into the window system: an error of an event is
  // shown in the error box and the program goes on.
  try {
    return form->Message(message, wParam, lParam);
  } catch (...) {
    ShowErrorBox(ErrorText(std::current_exception()));
    return 0;
  }
}

}  // namespace tandrel::win32
