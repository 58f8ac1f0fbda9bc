#pragma once
// What the program users start needs of the system to hand over to the
// program with windows (POSIX systems; the Windows program is one).

#include <string>

namespace tandrel::platform {

// Sets a variable of this process's environment, for the libraries it loads
// and the programs it starts; false when it cannot.
bool SetEnvironment(const char* name, const std::string& value);
// Whether `path` names a program this user may start.
bool MayStart(const std::string& path);
// Replaces this process with the program `path`, given `argv`; returns
// only when it cannot, with the error's code.
int ReplaceProcess(const std::string& path, char** argv);

}  // namespace tandrel::platform
