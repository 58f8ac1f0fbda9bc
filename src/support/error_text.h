#pragma once

#include <exception>
#include <string>

namespace tandrel {

// The text under which an error that escapes a command or the start-up is
// shown: its message ("Unknown error" for anything but a std::exception),
// with a full stop added unless it already ends in one, made safe as a line
// by SafeLineText.
std::string ErrorText(std::exception_ptr error);

}  // namespace tandrel
