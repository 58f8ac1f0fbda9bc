#include "win32ui/resident_window.h"

#include <utility>

#include "platform/win32/wide.h"
#include "ui/start_up.h"

namespace tandrel::win32 {
namespace {

// What a later start posts to the resident window.
constexpr UINT kShowMessage = WM_APP + 1;
// How long a later start looks for the window of a copy that holds the
// mutex but is still making its windows.
constexpr int kLookMs = 10000, kLookStepMs = 100;

}  // namespace

ResidentWindow::ResidentWindow(const std::string& configPath, const std::string& programPath)
    : title_(platform::win32::Wide(programPath)) {
  const std::wstring name = L"Local\\" + platform::win32::Wide(ui::ResidentName(configPath));
  mutex_ = ::CreateMutexW(nullptr, FALSE, name.c_str());
  owned_ = TakeMutex();
}

bool ResidentWindow::TakeMutex() const {
  // Free, or left by a copy that ended without letting go: this copy's now.
  // Without a mutex at all, every start becomes resident.
  if (!mutex_) return true;
  const DWORD got = ::WaitForSingleObject(mutex_, 0);
  return got == WAIT_OBJECT_0 || got == WAIT_ABANDONED;
}

ResidentWindow::~ResidentWindow() {
  if (window_) {
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    ::DestroyWindow(window_);
  }
  if (mutex_) {
    if (owned_) ::ReleaseMutex(mutex_);
    ::CloseHandle(mutex_);
  }
}

bool ResidentWindow::AskResidentToShow() {
  if (owned_) return false;
  for (int waited = 0; waited < kLookMs; waited += kLookStepMs) {
    if (const HWND resident = ::FindWindowW(kResidentClass, title_.c_str())) {
      // The resident copy may come to the front: it is what the user asked for.
      DWORD process = 0;
      ::GetWindowThreadProcessId(resident, &process);
      ::AllowSetForegroundWindow(process);
      ::PostMessageW(resident, kShowMessage, 0, 0);
      return true;
    }
    // The copy that held the mutex has ended meanwhile: this one stays.
    if ((owned_ = TakeMutex())) return false;
    ::Sleep(kLookStepMs);
  }
  // Started from another path: the configuration has its resident copy all
  // the same, and a second one would fight it for the run lock.
  return true;
}

void ResidentWindow::BecomeResident(std::function<void()> show, std::function<void()> end) {
  show_ = std::move(show);
  end_ = std::move(end);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &ResidentWindow::Procedure;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kResidentClass;
  ::RegisterClassExW(&windowClass);
  // A top-level window that is never shown: FindWindow sees it, the taskbar
  // does not.
  window_ = ::CreateWindowExW(WS_EX_TOOLWINDOW, kResidentClass, title_.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr,
                              nullptr, windowClass.hInstance, nullptr);
  ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

LRESULT CALLBACK ResidentWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* resident = reinterpret_cast<ResidentWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (resident && message == kShowMessage) {
    resident->show_();
    return 0;
  }
  if (resident && message == WM_CLOSE) {
    resident->end_();
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace tandrel::win32
