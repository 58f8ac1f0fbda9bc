#include "win32ui/tray_icon.h"

#include <shellapi.h>

#include <algorithm>

#include "platform/win32/wide.h"

namespace tandrel::win32 {
namespace {

using platform::win32::Wide;

constexpr UINT kIconId = 1;

// `text` cut to fit a fixed field of `size` characters with its terminator.
template <size_t size>
void Copy(wchar_t (&field)[size], const std::wstring& text) {
  const size_t n = std::min(text.size(), size - 1);
  text.copy(field, n);
  field[n] = L'\0';
}

}  // namespace

NOTIFYICONDATAW TrayIcon::Data(UINT flags) const {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = window_;
  data.uID = kIconId;
  data.uFlags = flags;
  data.uCallbackMessage = kTrayMessage;
  data.hIcon = icon_;
  Copy(data.szTip, tip_);
  return data;
}

void TrayIcon::Add(HWND window, HICON icon, const std::string& tip) {
  window_ = window;
  icon_ = icon;
  tip_ = Wide(tip);
  Readd();
}

void TrayIcon::Readd() {
  if (!window_) return;
  NOTIFYICONDATAW data = Data(NIF_MESSAGE | NIF_ICON | NIF_TIP);
  added_ = ::Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

void TrayIcon::Remove() {
  if (!window_) return;
  NOTIFYICONDATAW data = Data(0);
  ::Shell_NotifyIconW(NIM_DELETE, &data);
  added_ = false;
}

void TrayIcon::SetTip(const std::string& tip) {
  tip_ = Wide(tip);
  if (!window_) return;
  NOTIFYICONDATAW data = Data(NIF_TIP);
  if (!::Shell_NotifyIconW(NIM_MODIFY, &data) && !added_) Readd();
}

void TrayIcon::ShowMessage(const std::string& title, const std::string& text) {
  if (!window_) return;
  NOTIFYICONDATAW data = Data(NIF_INFO);
  Copy(data.szInfoTitle, Wide(title));
  Copy(data.szInfo, Wide(text));
  data.dwInfoFlags = NIIF_WARNING;
  ::Shell_NotifyIconW(NIM_MODIFY, &data);
}

}  // namespace tandrel::win32
