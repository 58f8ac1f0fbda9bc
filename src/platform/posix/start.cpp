#include "platform/start.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace tandrel::platform {

bool SetEnvironment(const char* name, const std::string& value) {
  return ::setenv(name, value.c_str(), 1) == 0;
}

bool MayStart(const std::string& path) { return ::access(path.c_str(), X_OK) == 0; }

int ReplaceProcess(const std::string& path, char** argv) {
  ::execv(path.c_str(), argv);
  return errno;
}

}  // namespace tandrel::platform
