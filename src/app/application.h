#pragma once
// The application object and the one place where an error that escapes a
// command, a timer or the start-up is shown: the standard error box.

#include <QApplication>
#include <QString>
#include <exception>

namespace tandrel {

// The text an escaping error shows: its message, as 8-bit text of the locale.
QString ExceptionText(std::exception_ptr error);

// Shows an escaping error in the standard error box (with a full stop added,
// under the application title, with the error icon).
void ShowException(std::exception_ptr error);

// Runs `command`; an error escaping from it is shown and swallowed, so the
// message loop, or the run that dispatched the command, goes on.
template <typename Command>
void Guarded(Command&& command) {
  try {
    command();
  } catch (...) {
    ShowException(std::current_exception());
  }
}

class Application : public QApplication {
 public:
  Application(int& argc, char** argv);

  // Every event handler runs inside this; an error escaping one is shown and
  // the loop that dispatched the event goes on.
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace tandrel
