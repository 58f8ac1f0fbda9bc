// The native windows, made for real on a display and driven from inside
// by the messages that a user's clicks send. A modal window holds the test
// in its own loop, so what happens inside it is queued as timed steps.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "platform/win32/wide.h"
#include "testsupport/temp_dir.h"
#include "win32ui/about_window.h"
#include "win32ui/general_dialog.h"
#include "win32ui/jobs_dialog.h"
#include "win32ui/main_window.h"
#include "win32ui/tray_icon.h"
#include "win32ui/windows_startup.h"

namespace tandrel::win32 {
namespace {

using platform::win32::Narrow;

std::map<UINT_PTR, std::function<void()>>& Steps() {
  static std::map<UINT_PTR, std::function<void()>> steps;
  return steps;
}

void CALLBACK RunStep(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  const std::function<void()> step = std::move(Steps()[id]);
  Steps().erase(id);
  step();
}

// Runs `step` from whichever loop is dispatching `ms` from now.
UINT_PTR Later(UINT ms, std::function<void()> step) {
  const UINT_PTR id = ::SetTimer(nullptr, 0, ms, RunStep);
  Steps()[id] = std::move(step);
  return id;
}

void Cancel(UINT_PTR id) {
  ::KillTimer(nullptr, id);
  Steps().erase(id);
}

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
  // A step left over (its window went by itself) must not run in the next test.
  void TearDown() override {
    for (const auto& [id, step] : Steps()) ::KillTimer(nullptr, id);
    Steps().clear();
  }

  // The program as if it stood in the temporary folder.
  std::string ProgramPath() const { return dir_ / "tandrel.exe"; }
  std::string ConfigPath() const { return dir_ / "tandrel.cfg"; }

  test::ScopedTempDir dir_;
};

TEST_F(WindowsUiTest, EachWindowOpensWithItsCaptionAndControls) {
  Windows windows(ProgramPath());
  TfMain& main = *windows.fMain;
  EXPECT_EQ(Text(main.Handle()), "Kolvane Directory Synchronisation");
  const HMENU bar = ::GetMenu(main.Handle());
  ASSERT_EQ(::GetMenuItemCount(bar), 4);
  wchar_t caption[32];
  const wchar_t* menus[] = {L"&File", L"&Action", L"&Config", L"&Help"};
  for (int i = 0; i < 4; ++i) {
    ::GetMenuStringW(bar, i, caption, 32, MF_BYPOSITION);
    EXPECT_STREQ(caption, menus[i]);
  }
  for (int id : {kIdSyncButton, kIdGeneralButton, kIdJobsButton, kIdLog, kIdStatusBar})
    EXPECT_NE(main.Control(id), nullptr) << id;

  // The splash closes by itself three seconds after the windows were made.
  bool stayed = false;
  const UINT_PTR rescue = Later(6000, [&] {
    stayed = true;
    windows.aboutWindow->Close();
  });
  windows.aboutWindow->ShowModal(nullptr);
  Cancel(rescue);
  EXPECT_FALSE(stayed);

  // Each dialog from its command: caption, and one control that shows it is
  // the right one, as the dialog shows it.
  struct Dialog {
    int command;
    Form* form;
    const char* caption;
    int control;
    const char* text;
  };
  const Dialog dialogs[] = {
      {kIdJobs, windows.jobsDialog.get(), "Configuration Jobs", kIdFileMask, "*.*"},
      {kIdGeneral, windows.generalDialog.get(), "Configuration General", kIdTime, "00:00"},
      // The test program has no version resource.
      {kIdAbout, windows.aboutWindow.get(), "About Tandrel", kIdVersion, "Tandrel version 0.0.0.0"},
  };
  for (const Dialog& d : dialogs) {
    bool seen = false;
    Later(300, [&] {
      seen = d.form->Showing() && ::IsWindowVisible(d.form->Handle());
      EXPECT_FALSE(::IsWindowEnabled(main.Handle())) << d.caption;
      EXPECT_EQ(Text(d.form->Handle()), d.caption);
      EXPECT_EQ(Text(d.form->Control(d.control)), d.text) << d.caption;
      ::PostMessageW(d.form->Handle(), WM_CLOSE, 0, 0);
    });
    ::SendMessageW(main.Handle(), WM_COMMAND, d.command, 0);
    EXPECT_TRUE(seen) << d.caption;
    EXPECT_FALSE(d.form->Showing()) << d.caption;
    EXPECT_TRUE(::IsWindowEnabled(main.Handle())) << d.caption;
  }
}

TEST_F(WindowsUiTest, AJobSavedInTheJobsDialogReachesTheConfigurationFile) {
  Windows windows(ProgramPath());
  JobsDialog& jobs = *windows.jobsDialog;
  int entries = 0;
  std::string status;
  Later(300, [&] {
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
  windows.fMain->Perform(ui::MainCommand::Jobs);
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
  TfMain& main = *windows.fMain;
  ::SendMessageW(main.Handle(), WM_COMMAND, kIdSyncButton, 0);

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
  TfMain& main = *windows.fMain;
  const HWND window = main.Handle();
  ::ShowWindow(window, SW_SHOWNORMAL);
  ::ShowWindow(window, SW_MINIMIZE);
  EXPECT_FALSE(::IsWindowVisible(window));  // minimised to the tray

  bool restored = false, boxAsked = false, stillOpen = false;
  Later(300, [&] { ::PostMessageW(window, kTrayMessage, 0, WM_LBUTTONUP); });
  Later(800, [&] {
    restored = ::IsWindowVisible(window) && !::IsIconic(window);
    stillOpen = windows.generalDialog->Showing();
    // Exit from the tray asks the question over the dialog; No keeps all.
    Later(300, [&] {
      const HWND box = OpenBox();
      boxAsked = box && Text(box) == "Stop Tandrel?";
      if (box) ::PostMessageW(box, WM_COMMAND, IDNO, 0);
      Later(300, [&] { windows.generalDialog->Close(); });
    });
    ::SendMessageW(window, WM_COMMAND, kIdExit, 0);
  });
  main.Perform(ui::MainCommand::General);
  EXPECT_TRUE(restored);
  EXPECT_TRUE(stillOpen);
  EXPECT_TRUE(boxAsked);
  EXPECT_FALSE(main.EndRequested());
  MSG quit;
  EXPECT_FALSE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

}  // namespace
}  // namespace tandrel::win32
