#pragma once
// The standard error box for an error that escapes an event handler or the
// start-up; the window logic's commands reach it through ui::Guarded and the
// prompts seam, so the box reads the same everywhere.

#include <QString>
#include <exception>

namespace tandrel::ui {

// The box's text for an escaping error: its message as 8-bit text of the
// locale ("Unknown error" for anything but a std::exception), with a full
// stop added unless it already ends in one.
QString ErrorBoxText(std::exception_ptr error);

// Shows the error in the standard error box, under the application title.
void ShowException(std::exception_ptr error);

}  // namespace tandrel::ui
