#include "platform/posix/temp_file.h"

#include <stdlib.h>

#include <fcntl.h>

namespace tandrel::platform::posix {

int CreateTempBeside(const std::string& path, std::string& tempPath) {
  const auto slash = path.rfind('/');
  tempPath = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + ".tandrel-XXXXXX";
  return ::mkostemp(tempPath.data(), O_CLOEXEC);
}

}  // namespace tandrel::platform::posix
