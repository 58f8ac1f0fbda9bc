#pragma once
// The About window, which also serves as the start-up splash: it closes by
// itself three seconds after it was made, until it is first hidden.

#include <string>

#include "win32ui/form.h"

namespace tandrel::win32 {

enum AboutId : int { kIdHomePage = 300, kIdVersion, kIdCopyRight, kIdHomePageText };

// "Tandrel version a.b.c.d" from the fixed file version of the executable
// at `path`; four zeros when it has no version resource.
std::string VersionLineOf(const std::string& path);

class AboutWindow : public Form {
 public:
  AboutWindow();
  ~AboutWindow() override;

  // The timer that ends the start-up splash; tests let its time pass at
  // once by sending its WM_TIMER.
  static constexpr UINT_PTR kCloseTimer = 1;

  // From now on every showing is centred over `window` instead of the screen.
  void CentreOverMain(HWND window) { centreOver_ = window; }
  // Opens the home page; the window stays as it is.
  void OpenHomePage();

 protected:
  LRESULT Message(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Command(int id, int code, HWND control) override;
  void Placing() override;
  void Shown() override;
  void Hidden() override;

 private:
  void Paint();

  HWND centreOver_ = nullptr;
  HBRUSH yellow_ = nullptr;
  bool timeUp_ = false;  // the close timer fired before the first showing
};

}  // namespace tandrel::win32
