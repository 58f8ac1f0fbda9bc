#include "testsupport/other_user.h"

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace tandrel::test {

bool Privileged() { return ::geteuid() == 0; }

pid_t StartAsOtherUser(const std::function<int()>& action, const std::function<void()>& asRoot) {
  if (!Privileged()) return -1;
  const struct passwd* pw = ::getpwnam("nobody");
  if (!pw || pw->pw_uid == 0) return -1;
  const uid_t uid = pw->pw_uid;
  const gid_t gid = pw->pw_gid;
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    if (asRoot) asRoot();
    if (::setgroups(0, nullptr) != 0 || ::setresgid(gid, gid, gid) != 0 || ::setresuid(uid, uid, uid) != 0) {
      ::_exit(255);
    }
    const int rc = action();
    ::_exit(rc >= 0 && rc < 254 ? rc : 254);
  }
  return child;
}

int WaitForOtherUser(pid_t child) {
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) == 255) {
    return -1;
  }
  return WEXITSTATUS(status);
}

bool GiveToOtherUser(const std::string& path) {
  const struct passwd* pw = Privileged() ? ::getpwnam("nobody") : nullptr;
  return pw && pw->pw_uid != 0 && ::lchown(path.c_str(), pw->pw_uid, pw->pw_gid) == 0;
}

int AsOtherUser(const std::function<int()>& action) { return WaitForOtherUser(StartAsOtherUser(action)); }

}  // namespace tandrel::test
