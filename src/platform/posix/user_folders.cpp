#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/process.h"

namespace tandrel::platform {
namespace {

// The variable's value when it is an absolute path; relative values are to
// be ignored, and an unset or empty one counts as not given.
std::string AbsoluteFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value && value[0] == '/' ? std::string(value) : std::string();
}

}  // namespace

UserFolderSettings UserFolders() {
  UserFolderSettings folders;
  folders.home = AbsoluteFromEnvironment("HOME");
  if (folders.home.empty()) {
    // Some cron set-ups start jobs without HOME: the password database knows.
    std::vector<char> buffer(16384);
    struct passwd entry;
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir) {
      folders.home = found->pw_dir;
    }
  }
  folders.configHome = AbsoluteFromEnvironment("XDG_CONFIG_HOME");
  folders.stateHome = AbsoluteFromEnvironment("XDG_STATE_HOME");
  return folders;
}

}  // namespace tandrel::platform
