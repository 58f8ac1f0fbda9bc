// Performs one run through the real main window (offscreen, shown), as the
// Synchronise command does: the run on its own thread, its lines drained
// into the log area by the window's timer, until it ends. Prints the figures in the form of the
// headless driver. With --no-progress the window leaves its status bar and
// tray tip alone during the run, to weigh what showing the progress costs.

#include <sys/resource.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/main_window.h"
#include "platform/process.h"

namespace {

// The main window without its progress display: the status bar and the
// tray tip keep what they show.
class WindowWithoutProgress : public tandrel::MainWindow {
 public:
  using MainWindow::MainWindow;

 private:
  void ShowStatus(const std::string&) override {}
  void ShowTrayTip(const std::string&) override {}
};

}  // namespace

int main(int argc, char** argv) {
  const bool withProgress = !(argc == 3 && std::strcmp(argv[2], "--no-progress") == 0);
  if (argc != 2 && withProgress) {
    std::fprintf(stderr,
                 "usage: %s PROGRAM-PATH [--no-progress]   (uses PROGRAM-PATH.cfg and its Log/ folder)\n",
                 argv[0]);
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  tandrel::platform::InitLocale();
  const std::unique_ptr<tandrel::MainWindow> window = withProgress
                                                          ? std::make_unique<tandrel::MainWindow>(argv[1])
                                                          : std::make_unique<WindowWithoutProgress>(argv[1]);
  if (!getenv("NOSHOW")) window->show();
  QCoreApplication::processEvents();
  const auto start = std::chrono::steady_clock::now();
  tandrel::ui::MainWindowLogic& logic = window->Logic();
  logic.Perform(tandrel::ui::MainCommand::Synchronise);
  while (logic.RunInProgress()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("run_ms=%.1f peak_rss_kb=%ld log_lines=%d\n", ms, usage.ru_maxrss, logic.LineCount());
  return 0;
}
