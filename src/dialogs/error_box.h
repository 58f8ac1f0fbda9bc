#pragma once
// The standard error box for an error that escapes a command, a timer or the
// start-up, and the guard that routes such an error there. Every entry point
// of the front end goes through here, so the box reads the same everywhere.

#include <QString>
#include <exception>

namespace tandrel::ui {

// The box's text for an escaping error: its message as 8-bit text of the
// locale ("Unknown error" for anything but a std::exception), with a full
// stop added unless it already ends in one.
QString ErrorBoxText(std::exception_ptr error);

// Shows the error in the standard error box, under the application title.
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

}  // namespace tandrel::ui
