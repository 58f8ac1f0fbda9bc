// Performs one run through the real main window (offscreen, shown), as the
// Synchronise command does: every line goes into the log area and pending
// messages are processed after each. Prints the figures in the form of the
// headless driver.

#include <sys/resource.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/tfmain.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s PROGRAM-PATH   (uses PROGRAM-PATH.cfg and its Log/ folder)\n", argv[0]);
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  tandrel::platform::InitLocale();
  tandrel::TfMain window(argv[1]);
  if (!getenv("NOSHOW")) window.show();
  QCoreApplication::processEvents();
  const auto start = std::chrono::steady_clock::now();
  window.mSynchroniseClick();
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("run_ms=%.1f peak_rss_kb=%ld log_lines=%d\n", ms, usage.ru_maxrss, window.MemoCount());
  return 0;
}
