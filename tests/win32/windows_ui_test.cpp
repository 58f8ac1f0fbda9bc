// The native windows, made for real on a display and driven from inside
// by the messages that a user's clicks send. A modal window holds the test
// in its own loop, so what happens inside it is posted beforehand as steps:
// the loop runs them in the order they were posted, once it is running, and
// nothing depends on how long anything takes.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/wide.h"
#include "testsupport/temp_dir.h"
#include "win32ui/about_window.h"
#include "win32ui/general_dialog.h"
#include "win32ui/glyphs.h"
#include "win32ui/jobs_dialog.h"
#include "win32ui/main_window.h"
#include "win32ui/tray_icon.h"
#include "win32ui/windows_startup.h"

namespace tandrel::win32 {
namespace {

using platform::win32::Narrow;

// Steps run by whichever loop dispatches next: each is a message posted to
// a hidden window of the test's own, behind everything posted before it.
// Steps not yet run when the test ends are dropped with the window.
class Steps {
 public:
  Steps() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &Steps::Procedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TandrelTestSteps";
    ::RegisterClassW(&windowClass);  // fails harmlessly when it is there
    window_ = ::CreateWindowExW(0, windowClass.lpszClassName, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                windowClass.hInstance, nullptr);
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~Steps() { ::DestroyWindow(window_); }
  Steps(const Steps&) = delete;
  Steps& operator=(const Steps&) = delete;

  void Then(std::function<void()> step) {
    waiting_.push_back(std::move(step));
    ::PostMessageW(window_, WM_APP, 0, 0);
  }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* steps = reinterpret_cast<Steps*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message != WM_APP || !steps) return ::DefWindowProcW(window, message, wParam, lParam);
    const std::function<void()> step = std::move(steps->waiting_.front());
    steps->waiting_.pop_front();
    step();
    return 0;
  }

  HWND window_ = nullptr;
  std::deque<std::function<void()>> waiting_;
};

std::string Text(HWND window) { return WindowText(window); }

void Click(HWND button) { ::SendMessageW(button, BM_CLICK, 0, 0); }

// The message box this thread shows now, if any.
HWND OpenBox() {
  HWND found = nullptr;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND window, LPARAM result) {
        wchar_t kind[16] = {};
        ::GetClassNameW(window, kind, 16);
        if (std::wstring(kind) != L"#32770" || !::IsWindowVisible(window)) return TRUE;
        *reinterpret_cast<HWND*>(result) = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

class WindowsUiTest : public ::testing::Test {
 protected:
  void SetUp() override { PrepareWindowSystem(); }

  // The program as if it stood in the temporary folder.
  std::string ProgramPath() const { return dir_ / "tandrel.exe"; }
  std::string ConfigPath() const { return dir_ / "tandrel.cfg"; }

  test::ScopedTempDir dir_;
  Steps steps_;
};

TEST_F(WindowsUiTest, EachDialogOpensModallyFromItsCommandAndShowsItsState) {
  Windows windows(ProgramPath());
  MainWindow& main = *windows.mainWindow;
  struct Dialog {
    int command;
    Form* form;
    int control;
    const char* text;  // what that control shows when the dialog opens
  };
  const Dialog dialogs[] = {
      {kIdJobs, windows.jobsDialog.get(), kIdFileMask, "*.*"},
      {kIdGeneral, windows.generalDialog.get(), kIdTime, "00:00"},
      // The test program has no version resource.
      {kIdAbout, windows.aboutWindow.get(), kIdVersion, "Tandrel version 0.0.0.0"},
  };
  for (const Dialog& d : dialogs) {
    bool seen = false;
    steps_.Then([&] {
      seen = d.form->Showing() && ::IsWindowVisible(d.form->Handle());
      EXPECT_FALSE(::IsWindowEnabled(main.Handle())) << d.command;
      EXPECT_EQ(Text(d.form->Control(d.control)), d.text) << d.command;
      ::PostMessageW(d.form->Handle(), WM_CLOSE, 0, 0);
    });
    ::SendMessageW(main.Handle(), WM_COMMAND, d.command, 0);
    EXPECT_TRUE(seen) << d.command;
    EXPECT_FALSE(d.form->Showing()) << d.command;
    EXPECT_TRUE(::IsWindowEnabled(main.Handle())) << d.command;
  }
}

TEST_F(WindowsUiTest, DialogTextIsInTheSystemsDialogFontNeverNarrowed) {
  Windows windows(ProgramPath());
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  ASSERT_TRUE(::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
  for (const Form* form :
       {static_cast<Form*>(windows.jobsDialog.get()), static_cast<Form*>(windows.generalDialog.get())}) {
    for (HWND control = ::GetWindow(form->Handle(), GW_CHILD); control;
         control = ::GetWindow(control, GW_HWNDNEXT)) {
      LOGFONTW face{};
      ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)), sizeof face, &face);
      EXPECT_STREQ(face.lfFaceName, metrics.lfMessageFont.lfFaceName) << Text(control);
      // A narrowed face draws thin and grey, like a disabled control.
      EXPECT_EQ(face.lfWidth, 0) << Text(control);
    }
  }
}

TEST_F(WindowsUiTest, TheSplashClosesWhenItsTimeIsUpBeforeOrWhileItShows) {
  for (const bool before : {true, false}) {
    Windows windows(ProgramPath());
    Steps steps;  // none is left for the next round
    AboutWindow& about = *windows.aboutWindow;
    const auto timeUp = [&] { ::SendMessageW(about.Handle(), WM_TIMER, AboutWindow::kCloseTimer, 0); };
    if (before) timeUp();
    bool stayed = false;
    // Runs after what the showing posts, and ends the showing if nothing did.
    steps.Then([&] {
      if (!before) timeUp();
      steps.Then([&] {
        stayed = about.Showing();
        about.Close();
      });
    });
    about.ShowModal(nullptr);
    EXPECT_FALSE(stayed) << before;
  }
}

TEST_F(WindowsUiTest, GlyphIconsCarryTheirPicturesPixelForPixel) {
  for (const int size : {16, 24}) {
    const ui::Bitmap drawn = ui::DrawGlyph(Glyph::HandRight, size);
    const HICON icon = GlyphIcon(Glyph::HandRight, size);
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(icon, &info));
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = size;
    format.bmiHeader.biHeight = -size;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<ui::Argb> pixels(static_cast<size_t>(size) * size);
    const HDC dc = ::GetDC(nullptr);
    EXPECT_EQ(::GetDIBits(dc, info.hbmColor, 0, size, pixels.data(), &format, DIB_RGB_COLORS), size);
    ::ReleaseDC(nullptr, dc);
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    ::DestroyIcon(icon);
    EXPECT_EQ(pixels, drawn.pixels) << size;
  }
}

TEST_F(WindowsUiTest, AJobSavedInTheJobsDialogReachesTheConfigurationFile) {
  Windows windows(ProgramPath());
  JobsDialog& jobs = *windows.jobsDialog;
  int entries = 0;
  std::string status;
  steps_.Then([&] {
    SetWindowText(jobs.Control(kIdJobName), "Photos");
    SetWindowText(jobs.Control(kIdSource), "C:\\Photos");
    SetWindowText(jobs.Control(kIdDest), "D:\\Backup\\Photos");
    Click(jobs.Control(kIdIncludeSubDirs));
    Click(jobs.Control(kIdSaveActiveButton));
    // Saved again into the other list: only updated, with a word why.
    Click(jobs.Control(kIdVerify));
    Click(jobs.Control(kIdSaveNonActiveButton));
    entries = static_cast<int>(::SendMessageW(jobs.Control(kIdActiveList), LB_GETCOUNT, 0, 0)) * 10 +
              static_cast<int>(::SendMessageW(jobs.Control(kIdNonActiveList), LB_GETCOUNT, 0, 0));
    wchar_t line[128] = {};
    ::SendMessageW(jobs.Control(kIdConfigStatus), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(line));
    status = Narrow(line);
    Click(jobs.Control(kIdJobsCloseButton));
  });
  windows.mainWindow->Logic().Perform(ui::MainCommand::Jobs);
  EXPECT_EQ(entries, 10);  // one active, no non-active
  EXPECT_EQ(status, "Item found in other list, not added, only updated");
  const std::string file = test::ReadFile(ConfigPath());
  for (const char* line : {"[Active Jobs]\r\n0=Photos\r\n", "[Photos]\r\n", "Source=C:\\Photos\r\n",
                           "Destination=D:\\Backup\\Photos\r\n", "Include SubDirs=1\r\n", "Verify=1\r\n"})
    EXPECT_NE(file.find(line), std::string::npos) << line << " in\n" << file;
}

TEST_F(WindowsUiTest, SynchroniseRunsAndFillsTheLogList) {
  test::WriteFile(dir_ / "from/a.txt", "a");
  test::MakeDir(dir_ / "to");
  test::WriteFile(ConfigPath(), "[Active Jobs]\r\n0=Copy\r\n1=Gone\r\n[Copy]\r\nSource=" + dir_ / "from" +
                                    "\r\nDestination=" + dir_ / "to" + "\r\n[Gone]\r\nSource=" +
                                    dir_ / "none" + "\r\nDestination=" + dir_ / "to" + "\r\n");
  Windows windows(ProgramPath());
  MainWindow& main = *windows.mainWindow;
  ::SendMessageW(main.Handle(), WM_COMMAND, kIdSyncButton, 0);
  main.Logic().FinishRun();

  EXPECT_EQ(test::ReadFile(dir_ / "to/a.txt"), "a");
  const auto& lines = main.ShownLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(::SendMessageW(main.Control(kIdLog), LB_GETCOUNT, 0, 0), static_cast<LRESULT>(lines.size()));
  EXPECT_EQ(Narrow(lines.front()).rfind("Synchronisation started at: ", 0), 0u);
  // The missing source is the one line drawn as a failure.
  int failures = 0;
  for (size_t i = 0; i < lines.size(); ++i) failures += main.ShownAsFailure(static_cast<int>(i));
  EXPECT_EQ(failures, 1);
  EXPECT_EQ(Narrow(lines.back()), "Source directory does not exist for job \"Gone\"");
  wchar_t status[256] = {};
  ::SendMessageW(main.Control(kIdStatusBar), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(status));
  EXPECT_EQ(Narrow(status).rfind("Ended ", 0), 0u) << Narrow(status);
}

TEST_F(WindowsUiTest, TheTrayIconAndTheCloseQuestionAnswerWhileADialogIsOpen) {
  Windows windows(ProgramPath());
  MainWindow& main = *windows.mainWindow;
  const HWND window = main.Handle();
  ::ShowWindow(window, SW_SHOWNORMAL);
  ::ShowWindow(window, SW_MINIMIZE);
  EXPECT_FALSE(::IsWindowVisible(window));  // minimised to the tray

  bool restored = false, boxAsked = false, stillOpen = false;
  ::PostMessageW(window, kTrayMessage, 0, WM_LBUTTONUP);
  steps_.Then([&] {
    restored = ::IsWindowVisible(window) && !::IsIconic(window);
    stillOpen = windows.generalDialog->Showing();
    // Exit from the tray asks the question over the dialog; No keeps all.
    steps_.Then([&] {
      const HWND box = OpenBox();
      boxAsked = box && Text(box) == "Stop Tandrel?";
      if (box) ::PostMessageW(box, WM_COMMAND, IDNO, 0);
      steps_.Then([&] { windows.generalDialog->Close(); });
    });
    ::SendMessageW(window, WM_COMMAND, kIdExit, 0);
  });
  main.Logic().Perform(ui::MainCommand::General);
  EXPECT_TRUE(restored);
  EXPECT_TRUE(stillOpen);
  EXPECT_TRUE(boxAsked);
  EXPECT_FALSE(main.Logic().EndRequested());
  MSG quit;
  EXPECT_FALSE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

}  // namespace
}  // namespace tandrel::win32
