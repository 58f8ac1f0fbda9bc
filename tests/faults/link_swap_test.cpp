// Folders swapped for links while a run is under way: the run goes on in
// the folders it opened and never reaches through a link out of the tree.

#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

#include "platform/file_system.h"
#include "testsupport/copy_faults.h"
#include "testsupport/engine_fixture.h"

namespace tandrel::test {
namespace {

using Lines = std::vector<std::string>;

class LinkSwapTest : public EngineFixture {
 protected:
  LinkSwapTest() : before_(MakeOutsideFolder()) { settings_.extendedLog = true; }

  // Moves `folder` aside and puts a link to the outside folder in its place.
  void SwapForLink(const std::string& folder) {
    ASSERT_EQ(::rename(folder.c_str(), (folder + ".moved").c_str()), 0) << folder;
    ASSERT_EQ(::symlink(outside_.c_str(), folder.c_str()), 0) << folder;
  }

  std::map<std::string, std::string> before_;
};

TEST_F(LinkSwapTest, ADestinationFolderSwappedDuringItsLevelIsNotFollowed) {
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) WriteFile(src_ + "/x/y/" + name, name);
  WriteFile(dst_ + "/x/y/stale.txt", "stale");
  OneJob({"Include SubDirs=1", "Cleanup Destination=1"});
  // Once the level's first copy is written, its destination folder is
  // swapped: the level's later copies and its cleanup stay in the folder it
  // opened, never the link's target.
  CopyFaults faults(platform::RealFileSystem());
  bool swapped = false;
  faults.afterWrite = [&](const std::string&) {
    if (!std::exchange(swapped, true)) SwapForLink(dst_ + "/x/y");
  };
  {
    const platform::FileSystemScope scope(faults);
    Run();
  }
  EXPECT_TRUE(swapped);
  EXPECT_EQ(Snapshot(outside_), before_);
  // The parent's cleanup then removes the moved folder, which the source
  // lacks, and passes the link by; the copies that waited in that folder
  // for their names are failures, not files in the link's target.
  const Lines& lines = lines_.lines;
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Dir " + dst_ + "/x/y.moved/ cleaned up"), lines.end());
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.find(" code 2 ") != std::string::npos; }),
            3);
  EXPECT_TRUE(Exists(dst_ + "/x/y"));
}

TEST_F(LinkSwapTest, ADestinationFolderSwappedBeforeItsLevelFailsItsCopies) {
  WriteFile(src_ + "/x/y/a.txt", "a");
  WriteFile(src_ + "/x/y/z/deep.txt", "deep");
  MakeDir(dst_ + "/x/y");
  OneJob({"Include SubDirs=1", "Cleanup Destination=1", "Delete Empty SubDirs=1"});
  lines_.when = [&](const std::string& line) { return line.rfind("Synchronisation started at: ", 0) == 0; };
  lines_.hook = [&] { SwapForLink(dst_ + "/x/y"); };
  EXPECT_EQ(Run(), RunResult::Failed);
  const Lines& lines = lines_.lines;
  EXPECT_EQ(Snapshot(outside_), before_);
  EXPECT_NE(std::find(lines.begin(), lines.end(),
                      "File ... .C.. code 20 " + src_ + "/x/y/a.txt -> " + dst_ + "/x/y/a.txt"),
            lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(),
                      "File ... .C.. code 20 " + src_ + "/x/y/z/deep.txt -> " + dst_ + "/x/y/z/deep.txt"),
            lines.end());
}

TEST_F(LinkSwapTest, ASourceFolderSwappedBeforeItIsEnteredIsNotWalked) {
  // A client job deletes the source files the server lacks: had the walk
  // entered the link, it would have deleted the outside folder's files.
  WriteFile(src_ + "/x/own.txt", "own");
  WriteFile(src_ + "/x/sub/f.txt", "f");
  WriteFile(dst_ + "/server.txt", "s");
  OneJob({"Handle As Client=1", "Include SubDirs=1", "Delete Empty SubDirs=1", "Cleanup Destination=1"});
  lines_.when = [&](const std::string& line) { return line.rfind("Synchronisation started at: ", 0) == 0; };
  lines_.hook = [&] { SwapForLink(src_ + "/x/sub"); };
  Run();
  EXPECT_EQ(Snapshot(outside_), before_);
  EXPECT_FALSE(Exists(dst_ + "/x/sub/precious.txt"));
  EXPECT_FALSE(Exists(dst_ + "/x/sub/a.txt"));
}

TEST_F(LinkSwapTest, AFolderSwappedInsideATreeBeingRemovedIsUnlinkedItself) {
  WriteFile(src_ + "/keep.txt", "k");
  for (int i = 0; i < 5; ++i) WriteFile(dst_ + "/old/d" + std::to_string(i) + "/f.txt", "f");
  OneJob({"Cleanup Destination=1"});
  // At the first cleaned-up folder, every other one is swapped for a link.
  lines_.when = [&](const std::string& line) { return line.find(" cleaned up") != std::string::npos; };
  lines_.hook = [&] {
    for (int i = 0; i < 5; ++i) {
      const std::string d = dst_ + "/old/d" + std::to_string(i);
      if (Exists(d)) SwapForLink(d);
    }
  };
  Run();
  EXPECT_EQ(Snapshot(outside_), before_);
}

}  // namespace
}  // namespace tandrel::test
