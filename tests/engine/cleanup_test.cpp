#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "engine/destination_cleanup.h"
#include "testsupport/engine_fixture.h"

namespace tandrel::test {
namespace {

using CleanupTest = EngineFixture;

using Lines = std::vector<std::string>;

TEST_F(CleanupTest, CleanupRemovesWhatTheSourceNoLongerHas) {
  WriteFile(src_ + "/keep.txt", "k");
  WriteFile(dst_ + "/keep.txt", "k");
  WriteFile(dst_ + "/gone.txt", "g");
  WriteFile(dst_ + "/gone.doc", "g");          // outside the mask: stays
  WriteFile(dst_ + "/.hidden.txt", "h");       // dot name: stays
  WriteFile(dst_ + "/olddir.txt/x.bin", "x");  // a directory matching the mask goes
  WriteFile(dst_ + "/other/x.txt", "x");       // does not match *.txt: stays
  OneJob({"Cleanup Destination=1"}, "*.txt");
  EXPECT_EQ(RunLines(), (Lines{"Dir " + dst_ + "/olddir.txt/ cleaned up",
                               "Dir " + src_ + "/ - 1 files and 0 directories synchronised"}));
  EXPECT_TRUE(Exists(dst_ + "/keep.txt"));
  EXPECT_FALSE(Exists(dst_ + "/gone.txt"));
  EXPECT_TRUE(Exists(dst_ + "/gone.doc"));
  EXPECT_TRUE(Exists(dst_ + "/.hidden.txt"));
  EXPECT_FALSE(Exists(dst_ + "/olddir.txt"));
  EXPECT_TRUE(Exists(dst_ + "/other/x.txt"));
}

TEST_F(CleanupTest, AStaleFileThatCannotBeDeletedFailsTheRun) {
  WriteFile(src_ + "/keep.txt", "k");
  WriteFile(dst_ + "/locked.txt", "l");
  MakeReadOnly(dst_ + "/locked.txt");
  OneJob({"Cleanup Destination=1"});
  EXPECT_EQ(Run(), RunResult::Failed);
  const Lines& memo = lines_.lines;
  EXPECT_EQ(Lines(memo.begin() + 1, memo.end()),
            (Lines{"Deleting file \"" + dst_ + "/locked.txt\" failed, errorcode: 13",
                   "Dir " + src_ + "/ - 1 files and 0 directories synchronised"}));
  EXPECT_TRUE(Exists(dst_ + "/locked.txt"));
}

TEST_F(CleanupTest, AStaleTemporaryGoesQuietlyWhateverTheMask) {
  WriteFile(src_ + "/keep.txt", "k");
  const std::string stale = LeaveStaleTemporary(dst_ + "/");
  MakeReadOnly(dst_ + "/" + stale);  // killed after taking a read-only source's bits
  OneJob({"Cleanup Destination=1"}, "*.txt");
  EXPECT_EQ(RunLines(), (Lines{"Dir " + src_ + "/ - 1 files and 0 directories synchronised"}));
  EXPECT_EQ(engine_.Counts().destinationDeleted, 0);
  EXPECT_FALSE(Exists(dst_ + "/" + stale));
}

TEST_F(CleanupTest, FileAndDirectoryNameSwaps) {
  WriteFile(src_ + "/wasdir", "now a file");
  MakeDir(src_ + "/wasfile");
  WriteFile(dst_ + "/wasdir/inner/deep.txt", "old");
  WriteFile(dst_ + "/wasfile", "old file");
  OneJob({"Cleanup Destination=1"});
  Run();
  // The pass runs after the file pass, whose copy onto the directory failed.
  EXPECT_FALSE(Exists(dst_ + "/wasdir/inner"));
  EXPECT_FALSE(Exists(dst_ + "/wasfile"));
  Run();
  EXPECT_EQ(ReadFile(dst_ + "/wasdir"), "now a file");
}

TEST_F(CleanupTest, AFailureDeepInsideARemovedTreeIsReportedInnermostFirst) {
  WriteFile(dst_ + "/old/mid/locked.txt", "x");
  WriteFile(dst_ + "/old/other.txt", "x");
  MakeReadOnly(dst_ + "/old/mid/locked.txt");
  MakeDir(src_ + "/kept");  // an empty source would refuse the cleanup
  OneJob({"Cleanup Destination=1"});
  EXPECT_EQ(RunLines(), (Lines{"Cleaning up dir \"" + dst_ + "/old/mid/\" failed, errorcode: 39",
                               "Cleaning up dir \"" + dst_ + "/old/\" failed, errorcode: 39",
                               "Dir " + src_ + "/ - 0 files and 0 directories synchronised"}));
  EXPECT_TRUE(Exists(dst_ + "/old/mid/locked.txt"));
  EXPECT_FALSE(Exists(dst_ + "/old/other.txt"));
}

TEST_F(CleanupTest, RemovedTreesTakeHiddenAndSpecialEntriesButNeverLinkTargets) {
  WriteFile(dir_ / "outside/precious.txt", "p");
  WriteFile(dst_ + "/old/.dot", "d");  // a dot name keeps its directory
  WriteFile(dst_ + "/gone/sub/a.txt", "a");
  ASSERT_EQ(::symlink((dir_ / "outside").c_str(), (dst_ + "/gone/sub/link").c_str()), 0);
  ASSERT_EQ(::mkfifo((dst_ + "/gone/fifo").c_str(), 0644), 0);
  WriteFile(src_ + "/kept.txt", "k");  // an empty source would refuse the cleanup
  OneJob({"Cleanup Destination=1", "Include SubDirs=1"});
  const Lines lines = RunLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Dir " + dst_ + "/gone/sub/ cleaned up"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Dir " + dst_ + "/gone/ cleaned up"), lines.end());
  EXPECT_NE(
      std::find(lines.begin(), lines.end(), "Cleaning up dir \"" + dst_ + "/old/\" failed, errorcode: 39"),
      lines.end());
  EXPECT_FALSE(Exists(dst_ + "/gone"));
  EXPECT_EQ(ReadFile(dir_ / "outside/precious.txt"), "p");
}

TEST_F(CleanupTest, AnEmptiedSourceDirectoryTakesItsCopyAlongInTheSameRun) {
  MakeDir(src_ + "/empty");
  WriteFile(dst_ + "/empty/old.txt", "x");
  OneJob({"Include SubDirs=1", "Delete Empty SubDirs=1", "Cleanup Destination=1"});
  EXPECT_EQ(RunLines(),
            (Lines{"Dir " + src_ + "/empty/ - 0 files and 0 directories synchronised",
                   "Dir " + src_ + "/empty removed (was empty)", "Dir " + dst_ + "/empty/ cleaned up",
                   "Dir " + src_ + "/ - 0 files and 0 directories synchronised"}));
}

TEST_F(CleanupTest, WithoutSubdirectoriesExistingCounterpartsAreNotEntered) {
  WriteFile(src_ + "/sub/a.txt", "a");
  WriteFile(dst_ + "/sub/stale.txt", "s");
  OneJob({"Cleanup Destination=1"});
  RunLines();
  EXPECT_TRUE(Exists(dst_ + "/sub/stale.txt"));
}

TEST_F(CleanupTest, ATreeRemovedByItsPathIsReportedInnermostFirst) {
  WriteFile(dst_ + "/old/a/b/f.txt", "f");
  WriteFile(dst_ + "/old/a/.hidden", "h");
  ::mkfifo((dst_ + "/old/pipe").c_str(), 0644);
  DestinationCleanup cleanup(engine_);
  const platform::DirHandle parent(dst_);
  EXPECT_FALSE(cleanup.CleanUpDir(parent, "old", dst_ + "/old"));
  EXPECT_EQ(lines_.lines, (Lines{"Dir " + dst_ + "/old/a/b/ cleaned up",
                                 "Cleaning up dir \"" + dst_ + "/old/a/\" failed, errorcode: 39",
                                 "Cleaning up dir \"" + dst_ + "/old/\" failed, errorcode: 39"}));
  EXPECT_FALSE(Exists(dst_ + "/old/pipe")) << "special entries go with their folder";
  EXPECT_TRUE(Exists(dst_ + "/old/a/.hidden"));
}

}  // namespace
}  // namespace tandrel::test
