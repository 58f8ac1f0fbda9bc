// The program with the splash's three seconds let pass at once, a line on
// standard output when the splash has closed and one on standard error when
// the message loop begins, so that a test can watch both roads from outside
// without waiting for the splash.

#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "app/startup.h"
#include "dialogs/about_window.h"

int main(int argc, char** argv) {
  return tandrel::RunProgram(argc, argv, [](tandrel::StartUpOptions& options) {
    options.windowsCreated = [](tandrel::Windows& windows) {
      // A new interval restarts the running timer.
      windows.aboutWindow->findChild<QTimer*>("tClose")->setInterval(0);
      QObject::connect(windows.aboutWindow.get(), &QDialog::finished, [] { std::puts("splash closed"); });
    };
    options.messageLoop = [] {
      std::fputs("message loop\n", stderr);
      return QApplication::exec();
    };
  });
}
