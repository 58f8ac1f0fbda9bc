#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "testsupport/engine_fixture.h"

namespace tandrel::test {
namespace {

using WalkTest = EngineFixture;

using Lines = std::vector<std::string>;

TEST_F(WalkTest, WalkIsBottomUpAndRemovesAnEmptyChainInOneRun) {
  WriteFile(src_ + "/a.txt", "a");
  MakeDir(src_ + "/E/B/C");
  OneJob({"Include SubDirs=1", "Delete Empty SubDirs=1"});
  EXPECT_EQ(RunLines(), (Lines{
                            "Dir " + src_ + "/E/B/C/ - 0 files and 0 directories synchronised",
                            "Dir " + src_ + "/E/B/C removed (was empty)",
                            "Dir " + src_ + "/E/B/ - 0 files and 0 directories synchronised",
                            "Dir " + src_ + "/E/B removed (was empty)",
                            "Dir " + src_ + "/E/ - 0 files and 0 directories synchronised",
                            "Dir " + src_ + "/E removed (was empty)",
                            "Dir " + src_ + "/ - 1 files and 0 directories synchronised",
                        }));
  EXPECT_FALSE(Exists(src_ + "/E"));
}

TEST_F(WalkTest, WhatKeepsADirectoryFromBeingEmpty) {
  WriteFile(src_ + "/masked/readme.doc", "x");  // does not match the mask
  MakeDir(src_ + "/special");
  ASSERT_EQ(::mkfifo((src_ + "/special/pipe").c_str(), 0644), 0);  // a system entry
  WriteFile(src_ + "/dots/.profile", "x");  // dot names count for nothing
  MakeDir(src_ + "/.hiddendir/inner");      // never walked
  WriteFile(src_ + "/.dotfile.txt", "x");   // never transferred
  WriteFile(src_ + "/top.txt", "x");
  OneJob({"Include SubDirs=1", "Delete Empty SubDirs=1", "Cleanup Destination=1"}, "*.txt");

  const Lines lines = RunLines();
  const auto has = [&](const std::string& l) { return std::find(lines.begin(), lines.end(), l) != lines.end(); };
  EXPECT_TRUE(has("Dir " + src_ + "/masked/ - 0 files and 0 directories synchronised"));
  EXPECT_TRUE(has("Dir " + src_ + "/special/ - 0 files and 0 directories synchronised"));
  EXPECT_TRUE(has("Dir \"" + src_ + "/dots\" not removed, errorcode: 39"));
  EXPECT_EQ(lines.back(), "Dir " + src_ + "/ - 1 files and 2 directories synchronised");
  EXPECT_EQ(lines.size(), 5u) << "three subdirectories, one failed removal, the top";
  EXPECT_TRUE(Exists(src_ + "/special/pipe"));
  EXPECT_FALSE(Exists(dst_ + "/special")) << "a directory without copied files gets no counterpart";
  EXPECT_FALSE(Exists(dst_ + "/.dotfile.txt"));
  EXPECT_TRUE(Exists(dst_ + "/top.txt"));
}

TEST_F(WalkTest, WithoutSubdirectoriesOnlyTheTopIsWalked) {
  WriteFile(src_ + "/sub/a.txt", "x");
  WriteFile(src_ + "/b.txt", "x");
  MakeDir(src_ + "/empty");
  OneJob({"Delete Empty SubDirs=1"});
  EXPECT_EQ(RunLines(), (Lines{"Dir " + src_ + "/ - 1 files and 0 directories synchronised"}));
  EXPECT_TRUE(Exists(src_ + "/empty"));
  EXPECT_FALSE(Exists(dst_ + "/sub"));
}

TEST_F(WalkTest, EmptySubdirectoryWithoutDeletionIsNotCounted) {
  MakeDir(src_ + "/empty");
  WriteFile(src_ + "/full/x", "x");
  OneJob({"Include SubDirs=1"});
  EXPECT_EQ(RunLines().back(), "Dir " + src_ + "/ - 0 files and 1 directories synchronised");
  EXPECT_TRUE(Exists(src_ + "/empty"));
}

TEST_F(WalkTest, LinksInTheSourceAreNeverFollowedOrCopied) {
  WriteFile(dir_ / "outside/secret.txt", "s");
  ASSERT_EQ(::symlink((dir_ / "outside").c_str(), (src_ + "/dirlink").c_str()), 0);
  ASSERT_EQ(::symlink((dir_ / "outside/secret.txt").c_str(), (src_ + "/filelink.txt").c_str()), 0);
  ASSERT_EQ(::symlink(src_.c_str(), (src_ + "/loop").c_str()), 0);
  OneJob({"Include SubDirs=1", "Delete Empty SubDirs=1"});
  EXPECT_EQ(RunLines(), (Lines{"Dir " + src_ + "/ - 0 files and 0 directories synchronised"}));
  EXPECT_FALSE(Exists(dst_ + "/filelink.txt"));
  EXPECT_FALSE(Exists(dst_ + "/dirlink"));
  EXPECT_EQ(main_.MemoCount(), 2);
}

TEST_F(WalkTest, UnchangedTreeWritesOnlySummaryLines) {
  for (const char* p : {"/a/1.txt", "/a/b/2.txt", "/c/3.txt", "/4.txt"}) WriteFile(src_ + p, p);
  OneJob({"Include SubDirs=1", "Cleanup Destination=1"});
  RunLines();
  const Lines second = RunLines();
  EXPECT_EQ(second.size(), 4u);
  for (const auto& line : second) EXPECT_EQ(line.rfind("Dir ", 0), 0u) << line;
  EXPECT_EQ(ReadFile(dst_ + "/a/b/2.txt"), "/a/b/2.txt");
}

}  // namespace
}  // namespace tandrel::test
