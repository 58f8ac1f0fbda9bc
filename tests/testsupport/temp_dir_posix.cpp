// The test helpers that meet the POSIX file system directly.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/posix/temp_file.h"
#include "testsupport/temp_dir.h"

namespace fs = std::filesystem;

namespace tandrel::test {

ScopedTempDir::ScopedTempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string templ = std::string(base && *base ? base : "/tmp") + "/tandrel-test-XXXXXX";
  if (!mkdtemp(templ.data())) {
    ADD_FAILURE() << "mkdtemp failed";
    std::abort();
  }
  path_ = templ + "/";
}

ScopedTempDir::~ScopedTempDir() {
  // Tests leave read-only files and directories behind; make everything
  // writable first so that the removal cannot fail half-way.
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec)) ::chmod(it->path().c_str(), 0755);
  }
  ::chmod(path_.c_str(), 0755);
  fs::remove_all(path_, ec);
}

bool Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

void SetMTime(const std::string& path, std::time_t t) {
  struct timeval tv[2] = {{t, 0}, {t, 0}};
  if (::lutimes(path.c_str(), tv) != 0) ADD_FAILURE() << "cannot set time of " << path;
}

std::time_t MTime(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return -1;
  return st.st_mtime;
}

unsigned FileMode(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return 0;
  return st.st_mode & 07777;
}

void MakeReadOnly(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) ::chmod(path.c_str(), st.st_mode & 07555);
}

void MakeWritable(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) ::chmod(path.c_str(), (st.st_mode & 07777) | 0200);
}

bool MakeFolderLink(const std::string& target, const std::string& link) {
  std::error_code ec;
  fs::create_directory_symlink(target, link, ec);
  if (ec) ADD_FAILURE() << "cannot link " << link;
  return !ec;
}

bool MakeFileLink(const std::string& target, const std::string& link) {
  const bool made = ::symlink(target.c_str(), link.c_str()) == 0;
  if (!made) ADD_FAILURE() << "cannot link " << link;
  return made;
}

void MakeHidden(const std::string&) {}

std::string LeaveStaleTemporary(const std::string& folder) {
  int fds[2];
  if (::pipe(fds) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    std::string path;
    ::close(platform::posix::CreateTempIn(AT_FDCWD, folder, path));
    [[maybe_unused]] const ssize_t n =
        ::write(fds[1], path.data() + folder.size(), path.size() - folder.size());
    ::_exit(0);
  }
  ::close(fds[1]);
  char name[256];
  const ssize_t n = child > 0 ? ::read(fds[0], name, sizeof name) : -1;
  ::close(fds[0]);
  if (child > 0) ::waitpid(child, nullptr, 0);
  if (n <= 0) ADD_FAILURE() << "no temporary made in " << folder;
  return n > 0 ? std::string(name, n) : std::string();
}

std::map<std::string, std::string> Snapshot(const std::string& root) {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> entries;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string path = it->path().string();
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) continue;
    std::string facts = std::to_string(st.st_mode) + ":" + std::to_string(st.st_mtim.tv_sec) + "." +
                        std::to_string(st.st_mtim.tv_nsec) + ":";
    if (S_ISREG(st.st_mode)) {
      facts += ReadFile(path);
    } else if (S_ISLNK(st.st_mode)) {
      facts += fs::read_symlink(it->path(), ec).string();
    }
    entries[path.substr(root.size())] = facts;
  }
  return entries;
}

}  // namespace tandrel::test
