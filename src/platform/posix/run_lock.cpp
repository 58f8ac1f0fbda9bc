#include "platform/posix/run_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/posix/at_ops.h"
#include "platform/posix/temp_file.h"
#include "platform/posix/unique_fd.h"

namespace tandrel::platform::posix {
namespace {

// Read or write access for anyone but the owner is enough to open the file,
// and an open descriptor is all flock needs.
bool OpenToOthers(const struct stat& st) { return (st.st_mode & 0066) != 0; }

// Whether what stands at the lock file's name (`fd` when it could be
// opened) belongs to another user: a lock of theirs never decides a run.
bool OtherUsers(int fd, const std::string& lockPath) {
  struct stat st;
  const int rc = fd >= 0 ? ::fstat(fd, &st) : ::lstat(lockPath.c_str(), &st);
  return rc == 0 && st.st_uid != ::geteuid();
}

// The configuration's folder, which carries the lock where no lock file
// can be had (a folder the user may not write).
UniqueFd OpenFolderOf(const std::string& configPath) {
  const std::string folder = ParentFolder(configPath);
  return UniqueFd(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

// `operation` (LOCK_EX or LOCK_SH) on `fd` without waiting: Held, Busy, or
// Free when nothing can be locked at all.
RunLockState TryLock(int fd, int operation) {
  if (fd < 0) return RunLockState::Free;
  if (::flock(fd, operation | LOCK_NB) == 0) return RunLockState::Held;
  return errno == EWOULDBLOCK ? RunLockState::Busy : RunLockState::Free;
}

// A busy lock file that others can open may be held by one of them, so it
// does not pass for a run in progress. Looked at after the lock was tried:
// the run that holds it may have closed it to them meanwhile.
RunLockState BusyOrOpenToOthers(int fd) {
  struct stat st;
  return ::fstat(fd, &st) == 0 && OpenToOthers(st) ? RunLockState::OpenToOthers : RunLockState::Busy;
}

// The lock file, made 0600 whatever the umask when it is new; invalid when
// none can be opened. Only a regular file serves, so that nothing standing
// there (a FIFO, a device, a folder) holds the run or is waited on.
UniqueFd OpenLockFile(const std::string& lockPath) {
  UniqueFd fd(OpenRegularFile(lockPath, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (fd.valid()) {
    ::fchmod(fd.get(), 0600);
    return fd;
  }
  if (errno != EEXIST) return fd;
  fd = UniqueFd(OpenRegularFile(lockPath, O_RDWR | O_CLOEXEC | O_NOFOLLOW));
  // flock needs no write access: a lock file without a write bit serves.
  if (!fd.valid() && errno == EACCES)
    fd = UniqueFd(OpenRegularFile(lockPath, O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  return fd;
}

class PosixRunLock : public RunLockOps {
 public:
  explicit PosixRunLock(const std::string& configPath) {
    const std::string lockPath = RunLockFile(configPath);
    file_ = OpenLockFile(lockPath);
    if (OtherUsers(file_.get(), lockPath)) {
      state_ = RunLockState::OtherUser;
      return;
    }
    const bool lockFile = file_.valid();
    if (!lockFile) file_ = OpenFolderOf(configPath);
    // The kernel drops the lock with the descriptor, also when the process dies.
    state_ = TryLock(file_.get(), LOCK_EX);
    if (!lockFile) return;
    if (state_ == RunLockState::Busy) state_ = BusyOrOpenToOthers(file_.get());
    if (state_ == RunLockState::Held) CloseToOthers(lockPath);
  }
  RunLockState state() const override { return state_; }

 private:
  // A lock file that others can open may already be open in their hands,
  // where a later flock would hold every run. While this run holds it, it
  // is closed to them and a fresh file takes its name, so that such a
  // descriptor holds nothing; the old one stays locked until the run ends,
  // for the runs that opened it before.
  void CloseToOthers(const std::string& lockPath) {
    struct stat st;
    if (::fstat(file_.get(), &st) != 0 || !OpenToOthers(st)) return;
    ::fchmod(file_.get(), st.st_mode & 0700);
    std::string tempPath;
    UniqueFd fresh(CreateTempBeside(lockPath, tempPath));
    if (!fresh.valid()) return;
    TempFileGuard guard(tempPath);
    if (::fchmod(fresh.get(), 0600) != 0 || ::flock(fresh.get(), LOCK_EX | LOCK_NB) != 0 ||
        ::rename(tempPath.c_str(), lockPath.c_str()) != 0)
      return;
    guard.Keep();
    replaced_ = std::exchange(file_, std::move(fresh));
  }

  UniqueFd file_;
  UniqueFd replaced_;
  RunLockState state_ = RunLockState::Free;
};

}  // namespace

std::unique_ptr<RunLockOps> LockRun(const std::string& configPath) {
  return std::make_unique<PosixRunLock>(configPath);
}

RunLockState LookAtRunLock(const std::string& configPath) {
  const std::string lockPath = RunLockFile(configPath);
  UniqueFd file(OpenRegularFile(lockPath, O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  if (OtherUsers(file.get(), lockPath)) return RunLockState::OtherUser;
  const bool lockFile = file.valid();
  if (!lockFile) file = OpenFolderOf(configPath);
  // The shared lock goes with the descriptor at once.
  if (TryLock(file.get(), LOCK_SH) != RunLockState::Busy) return RunLockState::Free;
  return lockFile ? BusyOrOpenToOthers(file.get()) : RunLockState::Busy;
}

}  // namespace tandrel::platform::posix
