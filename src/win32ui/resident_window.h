#pragma once
// One resident copy per configuration. The first start owns a mutex named
// after the configuration and a hidden window titled with the program's
// path; a later start finds that window, asks it to show the program and
// ends. The setup program and the uninstaller close the same window to end
// the program before they touch its files.

#include <windows.h>

#include <functional>
#include <string>

namespace tandrel::win32 {

// The hidden window's class, as the setup program looks for it.
inline constexpr wchar_t kResidentClass[] = L"TandrelResident";

class ResidentWindow {
 public:
  ResidentWindow(const std::string& configPath, const std::string& programPath);
  ~ResidentWindow();
  ResidentWindow(const ResidentWindow&) = delete;
  ResidentWindow& operator=(const ResidentWindow&) = delete;

  // True when another copy holds the configuration: it has been asked to
  // show itself, and this start is to end.
  bool AskResidentToShow();
  // Becomes the resident copy: `show` runs whenever a later start asks;
  // `end` when the window is closed from outside, to end the program.
  void BecomeResident(std::function<void()> show, std::function<void()> end);

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // Whether the configuration's mutex is now this copy's.
  bool TakeMutex() const;

  HANDLE mutex_ = nullptr;
  bool owned_ = false;
  std::wstring title_;
  HWND window_ = nullptr;
  std::function<void()> show_, end_;
};

}  // namespace tandrel::win32
