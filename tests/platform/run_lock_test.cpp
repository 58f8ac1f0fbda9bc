// The run lock, whatever stands at the lock file's name and whoever holds
// it: only this user's own lock file decides, and what a run leaves there no
// other user can open.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/posix/unique_fd.h"
#include "testsupport/other_user.h"
#include "testsupport/temp_dir.h"

namespace tandrel::platform {
namespace {

using State = RunLockState;

enum class Before { Nothing, Ours, Theirs, UnwritableFolder };

struct LockRow {
  const char* name;
  Before before;
  mode_t mode;  // of the lock file there before
  bool held;    // by a run that started earlier
  State look;   // what a look without taking the lock finds
  State lock;
};

const LockRow kLockRows[] = {
    {"NewLockFile", Before::Nothing, 0, false, State::Free, State::Held},
    {"OursHeldByAnotherRun", Before::Ours, 0600, true, State::Busy, State::Busy},
    // Left so by an older version: others may hold a descriptor of it.
    {"OursOpenToOthers", Before::Ours, 0644, false, State::Free, State::Held},
    {"OursOpenToOthersAndHeld", Before::Ours, 0644, true, State::OpenToOthers, State::OpenToOthers},
    {"AnotherUsers", Before::Theirs, 0644, false, State::OtherUser, State::OtherUser},
    {"AnotherUsersAndHeld", Before::Theirs, 0600, true, State::OtherUser, State::OtherUser},
    {"FolderThisUserMayNotWrite", Before::UnwritableFolder, 0, true, State::Busy, State::Busy},
};

class RunLock : public ::testing::TestWithParam<LockRow> {};

TEST_P(RunLock, OnlyThisUsersOwnLockFileDecides) {
  const LockRow& row = GetParam();
  const bool root = test::Privileged();
  if (row.before == Before::Theirs && !root) GTEST_SKIP() << "only root can make a file of another user";
  if (row.before == Before::UnwritableFolder && root) GTEST_SKIP() << "root writes any folder";
  test::ScopedTempDir dir;
  const std::string config = dir / "tandrel.cfg", lockFile = config + ".lock";
  if (root) ::chmod(dir.path().c_str(), 0755);  // another user may look
  if (row.before == Before::Ours || row.before == Before::Theirs) {
    test::WriteFile(lockFile, "");
    ::chmod(lockFile.c_str(), row.mode);
  }
  if (row.before == Before::Theirs) {
    ASSERT_TRUE(test::GiveToOtherUser(lockFile));
  }
  if (row.before == Before::UnwritableFolder) ::chmod(dir.path().c_str(), 0555);
  // A descriptor opened before the run, as anybody who could open the file
  // may keep one.
  const posix::UniqueFd earlier(::open(
      row.before == Before::UnwritableFolder ? dir.path().c_str() : lockFile.c_str(), O_RDONLY | O_CLOEXEC));
  if (row.held) {
    ASSERT_EQ(::flock(earlier.get(), LOCK_EX | LOCK_NB), 0);
  }

  EXPECT_EQ(CurrentFileSystem().LookAtRunLock(config), row.look);
  const mode_t umask = ::umask(0277);  // takes away more than the lock file may lose
  std::optional<platform::RunLock> lock(std::in_place, config);
  ::umask(umask);
  EXPECT_EQ(lock->state(), row.lock);
  EXPECT_EQ(test::Exists(lockFile), row.before != Before::UnwritableFolder);
  if (row.lock != State::Held) return;

  EXPECT_EQ(test::FileMode(lockFile), 0600u);
  if (root) {
    EXPECT_EQ(test::AsOtherUser([&] { return posix::UniqueFd(::open(lockFile.c_str(), O_RDONLY)).valid(); }),
              0);
  }
  lock.reset();
  if (earlier.valid()) {
    ASSERT_EQ(::flock(earlier.get(), LOCK_EX | LOCK_NB), 0);
  }
  EXPECT_TRUE(platform::RunLock(config).held()) << "a descriptor opened before the run holds nothing";
}

INSTANTIATE_TEST_SUITE_P(AllRows, RunLock, ::testing::ValuesIn(kLockRows),
                         [](const ::testing::TestParamInfo<LockRow>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace tandrel::platform
