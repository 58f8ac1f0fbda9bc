#pragma once
// The console of a GUI-subsystem program: none of its own (a scheduled run
// opens no window), but the one it was typed in, where there is one.

#include <string>
#include <vector>

namespace tandrel::win32 {

// Connects standard output and error to the parent's console when they lead
// nowhere; redirected ones are kept as they are.
void UseParentConsole();
// Whether standard error leads somewhere (a console, a file, a pipe).
bool HasStandardError();
// The command line's arguments as UTF-8, the program's name first.
std::vector<std::string> Arguments();

}  // namespace tandrel::win32
