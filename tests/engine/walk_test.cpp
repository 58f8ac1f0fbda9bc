#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

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
  WriteFile(src_ + "/dots/.profile", "x");                         // dot names count for nothing
  MakeDir(src_ + "/.hiddendir/inner");                             // never walked
  WriteFile(src_ + "/.dotfile.txt", "x");                          // never transferred
  WriteFile(src_ + "/top.txt", "x");
  OneJob({"Include SubDirs=1", "Delete Empty SubDirs=1", "Cleanup Destination=1"}, "*.txt");

  const Lines lines = RunLines();
  const auto has = [&](const std::string& l) {
    return std::find(lines.begin(), lines.end(), l) != lines.end();
  };
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
}

TEST_F(WalkTest, UnchangedTreeIsNotCopiedAgainAndWritesOnlySummaryLines) {
  const char* const files[] = {"/a/1.txt", "/a/b/2.txt", "/c/3.txt", "/4.txt"};
  for (const char* p : files) WriteFile(src_ + p, p);
  OneJob({"Include SubDirs=1", "Cleanup Destination=1"});
  RunLines();
  // Each copy is marked without changing its time or size: a run that
  // copied a file again would bring the source's content back.
  for (const char* p : files) {
    const std::time_t t = MTime(dst_ + p);
    WriteFile(dst_ + p, std::string(std::strlen(p), '='));
    SetMTime(dst_ + p, t);
  }
  Lines second = RunLines();
  std::sort(second.begin(), second.end());  // sibling folders come in the file system's order
  EXPECT_EQ(second, (Lines{"Dir " + src_ + "/ - 1 files and 2 directories synchronised",
                           "Dir " + src_ + "/a/ - 1 files and 1 directories synchronised",
                           "Dir " + src_ + "/a/b/ - 1 files and 0 directories synchronised",
                           "Dir " + src_ + "/c/ - 1 files and 0 directories synchronised"}));
  for (const char* p : files) EXPECT_EQ(ReadFile(dst_ + p), std::string(std::strlen(p), '=')) << p;
}

}  // namespace
}  // namespace tandrel::test
