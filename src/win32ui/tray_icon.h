#pragma once
// The program's icon in the notification area: added when the main window
// is made, added again when Explorer restarts, removed when the program
// ends. Its mouse events reach the window as kTrayMessage.

#include <windows.h>

#include <shellapi.h>

#include <string>

namespace tandrel::win32 {

// The message the icon sends its window; the mouse message is in lParam.
inline constexpr UINT kTrayMessage = WM_APP + 1;

class TrayIcon {
 public:
  TrayIcon() = default;
  ~TrayIcon() { Remove(); }
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // Shows the icon for `window`, with `tip`; again after Explorer restarted.
  void Add(HWND window, HICON icon, const std::string& tip);
  void Readd();
  void Remove();
  void SetTip(const std::string& tip);
  // A balloon that goes away by itself, with the warning icon.
  void ShowMessage(const std::string& title, const std::string& text);

 private:
  NOTIFYICONDATAW Data(UINT flags) const;

  HWND window_ = nullptr;
  HICON icon_ = nullptr;
  std::wstring tip_;
  bool added_ = false;
};

}  // namespace tandrel::win32
