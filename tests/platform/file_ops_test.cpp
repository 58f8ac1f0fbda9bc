#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "platform/copies.h"
#include "platform/entries.h"
#include "platform/error_codes.h"
#include "platform/folders.h"
#include "platform/posix/temp_file.h"
#include "platform/posix/test_seams.h"
#include "platform/process.h"
#include "platform/test_seams.h"
#include "testsupport/copy_road.h"
#include "testsupport/temp_dir.h"

namespace tandrel::platform {
namespace {

using test::AgeAt;
using test::FileAt;

using test::ReadFile;
using test::ScopedTempDir;
using test::WriteFile;

int EntryCount(const std::string& dir) {
  int n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++n;
  return n;
}

TEST(Copies, CarriesContentTimeModeAndArchiveState) {
  ScopedTempDir dir;
  const std::string src = dir / "s.bin";
  WriteFile(src, std::string(300000, 'q') + "end");
  ::chmod(src.c_str(), 0640);
  test::SetMTime(src, test::LocalTime(2021, 3, 4, 5, 6, 7));
  ASSERT_EQ(SetAttributes(src, GetAttributes(src) & ~attr::Archive), 0);

  ASSERT_EQ(test::CopyAsARun(src, dir / "d.bin"), 0);
  EXPECT_EQ(ReadFile(dir / "d.bin"), ReadFile(src));
  EXPECT_EQ(test::MTime(dir / "d.bin"), test::MTime(src));
  struct stat st;
  ::stat((dir / "d.bin").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_FALSE(GetAttributes(dir / "d.bin") & attr::Archive);
  EXPECT_EQ(AgeAt(dir / "d.bin"), AgeAt(src));

  // An archive source gives an archive copy, also over a cleared destination.
  ASSERT_EQ(SetAttributes(src, GetAttributes(src) | attr::Archive), 0);
  ASSERT_EQ(test::CopyAsARun(src, dir / "d.bin"), 0);
  EXPECT_TRUE(GetAttributes(dir / "d.bin") & attr::Archive);
  EXPECT_EQ(EntryCount(dir.path()), 2) << "no temporary file stays behind";
}

TEST(Copies, AReadOnlyCopyKeepsTheSourcesArchiveState) {
  ScopedTempDir dir;
  for (const bool archive : {false, true}) {
    SCOPED_TRACE(archive);
    const std::string src = dir / (archive ? "a-src" : "c-src");
    const std::string dst = dir / (archive ? "a-dst" : "c-dst");
    WriteFile(src, "read me");
    ASSERT_EQ(SetAttributes(src, attr::ReadOnly | (archive ? attr::Archive : 0)), 0);
    ASSERT_EQ(test::CopyAsARun(src, dst), 0);
    EXPECT_EQ(GetAttributes(dst), GetAttributes(src));
    EXPECT_EQ(test::FileMode(dst), 0444u);
  }
}

TEST(Copies, RefusesDirectoryAndReadOnlyDestination) {
  ScopedTempDir dir;
  WriteFile(dir / "s", "new");
  test::MakeDir(dir / "isdir");
  EXPECT_EQ(test::CopyAsARun(dir / "s", dir / "isdir"), kErrAccessDenied);

  WriteFile(dir / "ro", "old");
  test::MakeReadOnly(dir / "ro");
  EXPECT_EQ(test::CopyAsARun(dir / "s", dir / "ro"), kErrAccessDenied);  // also as root
  EXPECT_EQ(ReadFile(dir / "ro"), "old");

  EXPECT_EQ(test::CopyAsARun(dir / "missing", dir / "x"), kErrNotFound);
  EXPECT_FALSE(test::Exists(dir / "x"));
}

TEST(Copies, AFailedCopyLeavesTheOldDestinationIntact) {
  ScopedTempDir dir;
  WriteFile(dir / "src", std::string(1 << 20, 'n'));
  WriteFile(dir / "dst", "old content");
  // A file-size limit makes the write fail half-way, like a full disk would.
  struct rlimit old;
  ::getrlimit(RLIMIT_FSIZE, &old);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = {65536, old.rlim_max};
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const int rc = test::CopyAsARun(dir / "src", dir / "dst");
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(rc, EFBIG);
  EXPECT_EQ(ReadFile(dir / "dst"), "old content");
  EXPECT_EQ(EntryCount(dir.path()), 2) << "the partial temporary file is removed";
}

TEST(Copies, ReplacesALinkItselfNeverItsTarget) {
  ScopedTempDir dir;
  WriteFile(dir / "target", "precious");
  ::symlink((dir / "target").c_str(), (dir / "link").c_str());
  WriteFile(dir / "src", "new");
  ASSERT_EQ(test::CopyAsARun(dir / "src", dir / "link"), 0);
  EXPECT_EQ(ReadFile(dir / "target"), "precious");
  EXPECT_EQ(ReadFile(dir / "link"), "new");
}

TEST(Copies, BothRoadsGiveTheSameCopyAlsoWhereModesAreRefused) {
  // A refused mode leaves the 0600 a copy starts with; FAT can still hold
  // the read-only state. A failure keeps the old file and leaves no other.
  struct Row {
    int refusal;
    unsigned sourceMode;
    bool replacing;
    int result;
    unsigned copyMode;  // 0: no file
  };
  const Row rows[] = {{0, 0640, false, 0, 0640},     {0, 0640, true, 0, 0640},
                      {0, 0444, false, 0, 0444},     {EPERM, 0640, false, 0, 0600},
                      {ENOSYS, 0644, true, 0, 0600}, {EOPNOTSUPP, 0444, false, 0, 0400},
                      {EIO, 0640, false, EIO, 0},    {EIO, 0640, true, EIO, 0644}};
  for (const bool named : {false, true}) {
    for (const Row& row : rows) {
      SCOPED_TRACE(std::to_string(row.refusal) + (row.replacing ? " replacing" : "") +
                   (named ? " named" : ""));
      ScopedTempDir dir;
      WriteFile(dir / "src", "content");
      ::chmod((dir / "src").c_str(), row.sourceMode);
      test::SetMTime(dir / "src", test::LocalTime(2022, 2, 2, 2, 2, 2));
      if (row.replacing) WriteFile(dir / "dst", "old");
      UseNamedTemporaries(named);
      posix::FailNextModeChangeWith(row.refusal);
      EXPECT_EQ(test::CopyAsARun(dir / "src", dir / "dst"), row.result);
      UseNamedTemporaries(false);
      EXPECT_EQ(test::FileMode(dir / "dst"), row.copyMode);
      EXPECT_EQ(ReadFile(dir / "dst"), row.result == 0 ? "content" : row.replacing ? "old" : "");
      if (row.result == 0) {
        EXPECT_EQ(test::MTime(dir / "dst"), test::MTime(dir / "src"));
      }
      EXPECT_EQ(EntryCount(dir.path()), row.result == 0 || row.replacing ? 2 : 1) << "a temporary stays";
    }
  }
}

TEST(Copies, AnAbandonedCopyLeavesTheDestinationAsItWas) {
  for (const bool named : {false, true}) {
    for (const bool replacing : {false, true}) {
      ScopedTempDir dir;
      WriteFile(dir / "src", std::string(20 << 20, 'n'));
      if (replacing) WriteFile(dir / "dst", "old");
      int told = 0;
      UseNamedTemporaries(named);
      const int rc = test::CopyAsARun(DirHandle(dir.path()), "src", DirHandle(dir.path()), "dst",
                                      [&](int64_t copied, int64_t size) {
                                        EXPECT_TRUE(copied > 0 && copied < size);
                                        return ++told < 2;
                                      });
      UseNamedTemporaries(false);
      EXPECT_EQ(rc, kErrCancelled);
      EXPECT_EQ(told, 2);
      EXPECT_EQ(ReadFile(dir / "dst"), replacing ? "old" : "");
      EXPECT_EQ(EntryCount(dir.path()), replacing ? 2 : 1) << "no temporary stays";
    }
  }
}

TEST(IsStaleTemporary, OnlyTheExactNameOfAProcessThatIsGone) {
  ScopedTempDir dir;
  const std::string stale = test::LeaveStaleTemporary(dir.path());
  std::string leadingZero = stale;
  leadingZero.insert(stale.find_first_of("0123456789"), "0");
  EXPECT_TRUE(IsStaleTemporary(stale));
  EXPECT_FALSE(IsStaleTemporary(posix::TempName())) << "this process is alive";
  for (const std::string& name : {stale + ".bak", stale + "x", stale.substr(1), leadingZero}) {
    EXPECT_FALSE(IsStaleTemporary(name)) << name;
  }
}

TEST(Copies, HolesStayHoles) {
  ScopedTempDir dir;
  const std::string src = dir / "sparse";
  constexpr off_t kSize = 64 << 20;
  const int fd = ::open(src.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_EQ(::ftruncate(fd, kSize), 0);
  // Data at the start, in the middle and near the end, which is a hole.
  for (const off_t at : {off_t{0}, kSize / 2, kSize - (64 << 10)}) {
    ASSERT_EQ(::pwrite(fd, std::string(4096, 'd').data(), 4096, at), 4096);
  }
  ::close(fd);

  ASSERT_EQ(test::CopyAsARun(src, dir / "copy"), 0);
  EXPECT_TRUE(ReadFile(dir / "copy") == ReadFile(src));
  struct stat from, to;
  ASSERT_EQ(::stat(src.c_str(), &from), 0);
  ASSERT_EQ(::stat((dir / "copy").c_str(), &to), 0);
  EXPECT_EQ(to.st_size, kSize);
  EXPECT_LE(to.st_blocks, from.st_blocks + 64) << "holes were filled";
}

TEST(Copies, AGrowingSourceIsCopiedAsItWasWhenTheCopyBegan) {
  ScopedTempDir dir;
  const std::string src = dir / "growing";
  const std::time_t before = test::LocalTime(2020, 1, 1, 0, 0, 0);
  WriteFile(src, std::string(16 << 20, 'a'));
  test::SetMTime(src, before);
  // Each step of the copy appends to its source, as a writer that never
  // stops would.
  const int fd = ::open(src.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  const std::string chunk(1 << 20, 'b');
  int appended = 0;
  EXPECT_EQ(test::CopyAsARun(DirHandle(dir.path()), "growing", DirHandle(dir.path()), "copy",
                             [&](int64_t, int64_t) {
                               appended += ::write(fd, chunk.data(), chunk.size()) > 0;
                               return true;
                             }),
            0);
  ::close(fd);
  ASSERT_GT(appended, 0);
  EXPECT_TRUE(ReadFile(dir / "copy") == std::string(16 << 20, 'a')) << "the size found when the copy began";
  EXPECT_EQ(test::MTime(dir / "copy"), before);
  EXPECT_TRUE(AgeIsNewer(AgeAt(src), AgeAt(dir / "copy"))) << "the next run copies again";
}

TEST(FileOps, DeleteRemoveAndCreate) {
  ScopedTempDir dir;
  WriteFile(dir / "f", "x");
  test::MakeReadOnly(dir / "f");
  EXPECT_EQ(RemoveFile(dir / "f"), kErrAccessDenied) << "read-only files are protected";
  test::MakeWritable(dir / "f");
  EXPECT_EQ(RemoveFile(dir / "f"), 0);
  EXPECT_EQ(RemoveFile(dir / "f"), kErrNotFound);

  ASSERT_EQ(CreateDirectories(dir / "a/b/c/"), 0);
  EXPECT_TRUE(DirectoryExists(dir / "a/b/c"));
  EXPECT_EQ(CreateDirectories(dir / "a/b/c"), 0) << "an existing directory is fine";
  WriteFile(dir / "a/b/c/x", "");
  EXPECT_EQ(DirHandle(dir / "a/b").RemoveFolder("c"), kErrNotEmpty);
  WriteFile(dir / "plain", "");
  EXPECT_NE(CreateDirectories(dir / "plain/sub"), 0);
}

}  // namespace
}  // namespace tandrel::platform
