// What a run must never do, however the trees look: follow a link out of a
// job's tree, erase one side because the other is empty, or call a failed
// run clean; and two runs of one configuration never overlap.

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "platform/entries.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "support/text_lines.h"
#include "testsupport/copy_faults.h"
#include "testsupport/engine_fixture.h"
#include "testsupport/other_user.h"

namespace tandrel::test {
namespace {

using Lines = std::vector<std::string>;
using platform::attr::Archive;

class SafetyTest : public EngineFixture {
 protected:
  void MakeElsewhere() { before_ = MakeOutsideFolder(); }
  void ClearArchiveOf(const std::string& path) {
    ASSERT_EQ(platform::SetAttributes(path, platform::GetAttributes(path) & ~Archive), 0);
  }
  void Link(const std::string& target, const std::string& at) {
    ASSERT_EQ(::symlink(target.c_str(), at.c_str()), 0) << at;
  }
  static bool Has(const Lines& lines, const std::string& text) {
    return std::find(lines.begin(), lines.end(), text) != lines.end();
  }

  std::map<std::string, std::string> before_;
};

TEST_F(SafetyTest, ALinkWhereTheDestinationNeedsAFolderIsNeverFollowed) {
  MakeElsewhere();
  WriteFile(src_ + "/sub/new.txt", "new");
  WriteFile(src_ + "/sub/deeper/more.txt", "more");
  WriteFile(src_ + "/top.txt", "top");
  Link(outside_, dst_ + "/sub");
  OneJob({"Include SubDirs=1", "Cleanup Destination=1", "Delete Empty SubDirs=1"});
  settings_.extendedLog = true;
  const Lines lines = RunLines();

  EXPECT_EQ(Snapshot(outside_), before_) << "nothing outside the tree is written or removed";
  // The level's copies fail with the code of the refused open (ENOTDIR), and
  // so do those below it; nothing is cleaned up through the link.
  EXPECT_TRUE(Has(lines, "File ... .C.. code 20 " + src_ + "/sub/new.txt -> " + dst_ + "/sub/new.txt"));
  EXPECT_TRUE(Has(
      lines, "File ... .C.. code 20 " + src_ + "/sub/deeper/more.txt -> " + dst_ + "/sub/deeper/more.txt"));
  EXPECT_TRUE(std::none_of(lines.begin(), lines.end(),
                           [](const std::string& l) { return l.find("cleaned up") != std::string::npos; }));
  EXPECT_EQ(ReadFile(dst_ + "/top.txt"), "top") << "the rest of the job runs";
  EXPECT_EQ(Run(), RunResult::Failed);
}

TEST_F(SafetyTest, ALinkAtTheJobsOwnFoldersIsFollowedAsBefore) {
  WriteFile(src_ + "/a.txt", "a");
  MakeDir(dir_ / "realdest");
  Link(dir_ / "realdest", dir_ / "linkdest");
  WriteFile(ConfigPath(), "[Active Jobs]\r\n0=J\r\n[J]\r\nSource=" + src_ +
                              "\r\nDestination=" + dir_ / "linkdest" + "\r\n");
  EXPECT_EQ(Run(), RunResult::Clean);
  EXPECT_EQ(ReadFile(dir_ / "realdest/a.txt"), "a");
}

TEST_F(SafetyTest, SourceLinksAreNeitherEnteredNorTheirTargetsTouched) {
  // A client job deletes source files the server lacks: through a followed
  // link it would delete the target's files.
  MakeElsewhere();
  Link(outside_, src_ + "/linked");
  Link(outside_ + "/precious.txt", src_ + "/linked.txt");
  WriteFile(src_ + "/own.txt", "own");
  WriteFile(dst_ + "/server.txt", "s");
  OneJob({"Handle As Client=1", "Include SubDirs=1", "Delete Empty SubDirs=1", "Cleanup Destination=1"});
  RunLines();
  EXPECT_EQ(Snapshot(outside_), before_);
  EXPECT_FALSE(Exists(dst_ + "/linked")) << "links are never transferred";
  EXPECT_FALSE(Exists(dst_ + "/linked.txt"));
}

TEST_F(SafetyTest, AnEmptySideNeverErasesTheOther) {
  struct Case {
    const char* name;
    std::vector<std::string> keys;
    bool sourceEmpty;
    const char* line;  // nullptr: the job runs
  };
  const Case cases[] = {
      {"cleanup, empty source",
       {"Cleanup Destination=1", "Include SubDirs=1"},
       true,
       "Source directory is empty for job \"J\": job not run"},
      {"client, empty destination",
       {"Handle As Client=1"},
       false,
       "Destination directory is empty for job \"J\": job not run"},
      {"client and cleanup, empty destination",
       {"Handle As Client=1", "Cleanup Destination=1"},
       false,
       "Destination directory is empty for job \"J\": job not run"},
      {"no cleanup, empty source", {"Include SubDirs=1"}, true, nullptr},
      {"plain, empty destination", {}, false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedTempDir scratch;
    const std::string full = scratch / "full", empty = scratch / "empty";
    WriteFile(full + "/a.txt", "a");
    WriteFile(full + "/sub/b.txt", "b");
    ClearArchiveOf(full + "/a.txt");
    ClearArchiveOf(full + "/sub/b.txt");
    MakeDir(empty);
    WriteFile(empty + "/.dot", "a name with a dot does not count");
    const std::string source = c.sourceEmpty ? empty : full, dest = c.sourceEmpty ? full : empty;
    std::string text =
        "[Active Jobs]\r\n0=J\r\n1=Next\r\n[J]\r\nSource=" + source + "\r\nDestination=" + dest + "\r\n";
    for (const auto& k : c.keys) text += k + "\r\n";
    text += "[Next]\r\nSource=" + src_ + "\r\nDestination=" + dst_ + "\r\n";
    WriteFile(src_ + "/next.txt", "n");
    WriteFile(ConfigPath(), text);
    const auto fullBefore = Snapshot(full);

    const RunResult result = Run();
    const Lines lines(lines_.lines.begin() + 1, lines_.lines.end());
    if (c.line) {
      EXPECT_EQ(result, RunResult::Failed);
      EXPECT_EQ(lines.front(), c.line);
      EXPECT_EQ(Snapshot(full), fullBefore) << "nothing deleted on the full side";
      EXPECT_EQ(Snapshot(empty).size(), 1u) << "nothing copied to the empty side";
    } else {
      EXPECT_EQ(result, RunResult::Clean);
      EXPECT_FALSE(Has(lines, "Source directory is empty for job \"J\": job not run"));
    }
    EXPECT_EQ(lines.back(), "Dir " + src_ + "/ - 1 files and 0 directories synchronised")
        << "the next job runs";
  }
}

TEST_F(SafetyTest, EveryKindOfFailureMakesTheRunFailedAndReachesTheEcho) {
  struct Case {
    const char* name;
    std::function<void()> arrange;
    std::vector<std::string> keys;
    std::string echoed;  // empty: a clean run
  };
  const std::string copy = " " + src_ + "/a.txt -> " + dst_ + "/a.txt";
  CopyFaults faults(platform::RealFileSystem());
  const Case cases[] = {
      {"clean", [] {}, {}, ""},
      {"copy refused", [&] { MakeDir(dst_ + "/a.txt"); }, {}, "File ... .C.. code 13" + copy},
      {"verify difference",
       [&] {
         WriteFile(dst_ + "/a.txt", "different");
         SetMTime(dst_ + "/a.txt", MTime(src_ + "/a.txt") - 100);
         faults.diskDiffers = true;
       },
       {"Verify=1"},
       "File D.. .CE. VERIFYERROR code 0" + copy},
      {"empty folder not removed",
       [&] { WriteFile(src_ + "/e/.keep", ""); },
       {"Include SubDirs=1", "Delete Empty SubDirs=1"},
       "Dir \"" + src_ + "/e\" not removed, errorcode: 39"},
      {"cleanup failed",
       [&] { WriteFile(dst_ + "/old/.keep", ""); },
       {"Cleanup Destination=1"},
       "Cleaning up dir \"" + dst_ + "/old/\" failed, errorcode: 39"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(src_);
    std::filesystem::remove_all(dst_);
    WriteFile(src_ + "/a.txt", "a");
    MakeDir(dst_);
    c.arrange();
    OneJob(c.keys);
    Lines& echoed = lines_.failures;
    const RunResult result = [&] {
      const platform::FileSystemScope scope(faults);
      return Run();
    }();
    faults.diskDiffers = false;
    if (c.echoed.empty()) {
      EXPECT_EQ(result, RunResult::Clean);
      EXPECT_EQ(echoed, Lines{});
    } else {
      EXPECT_EQ(result, RunResult::Failed);
      EXPECT_EQ(echoed, Lines{c.echoed}) << "also without extended logging";
    }
  }
}

TEST_F(SafetyTest, AJobThatDoesNotRunIsAFailure) {
  WriteFile(ConfigPath(), "[Active Jobs]\r\n0=Gone\r\n[Gone]\r\nSource=" + dir_ / "nope" +
                              "\r\nDestination=" + dst_ + "\r\n");
  Lines& echoed = lines_.failures;
  EXPECT_EQ(Run(), RunResult::Failed);
  EXPECT_EQ(echoed, Lines{"Source directory does not exist for job \"Gone\""});
  OneJob({});
  echoed.clear();
  EXPECT_EQ(Run(), RunResult::Clean) << "the next run starts clean";
  EXPECT_EQ(echoed, Lines{});
}

TEST_F(SafetyTest, AWantedLogFileThatCannotBeWrittenIsAFailure) {
  OneJob({});
  MakeDir(LogFolder() + "Tandrel.log");  // a folder where the file must go
  settings_.logFile = true;
  Lines& echoed = lines_.failures;
  EXPECT_EQ(Run(), RunResult::Failed);
  ASSERT_EQ(echoed.size(), 1u) << "reported once per run";
  EXPECT_EQ(echoed[0], "The log file in " + LogFolder() + " could not be written");
}

TEST_F(SafetyTest, NamesCannotForgeLines) {
  const std::string forging = "a\nFile ... .C.. code 0 forged";
  const std::string clearing = "\x1b[2J";  // clears a terminal showing the log
  WriteFile(src_ + "/" + forging, "f");
  WriteFile(src_ + "/" + clearing, "c");
  MakeDir(dst_ + "/" + forging);  // its copy fails, so its line reaches the echo as well
  OneJob({});
  settings_.logFile = true;
  settings_.extendedLog = true;
  Lines& echoed = lines_.failures;
  EXPECT_EQ(Run(), RunResult::Failed);
  const std::string failed = "File ... .C.. code 13 " + src_ + "/a?File ... .C.. code 0 forged -> " + dst_ +
                             "/a?File ... .C.. code 0 forged";
  const std::string copied = "File ... .C.. code 0 " + src_ + "/?[2J -> " + dst_ + "/?[2J";
  const std::string dir = "Dir " + src_ + "/ - 2 files and 0 directories synchronised";
  EXPECT_EQ(echoed, Lines{failed});
  for (Lines lines : {SplitLines(ReadFile(LogFolder() + "Tandrel.log")), lines_.lines}) {
    ASSERT_EQ(lines.size(), 4u);
    lines.erase(lines.begin());             // the start line
    std::sort(lines.begin(), lines.end());  // the files come in listing order
    EXPECT_EQ(lines, (Lines{dir, copied, failed}));
  }
  EXPECT_EQ(ReadFile(dst_ + "/" + clearing), "c") << "the file keeps its real name";
}

TEST_F(SafetyTest, ARunThatFindsTheConfigurationBusyDoesNothingElse) {
  WriteFile(src_ + "/a.txt", "a");
  OneJob({});
  settings_.logFile = true;
  settings_.appendLog = true;
  lines_.lines.push_back("an earlier line");
  Lines& echoed = lines_.failures;
  {
    const platform::RunLock other(ConfigPath());
    ASSERT_TRUE(other.held());
    EXPECT_EQ(Run(), RunResult::Busy);
    EXPECT_EQ(lines_.lines, (Lines{"an earlier line", "Another run of this configuration is in progress"}));
    EXPECT_EQ(echoed, Lines{"Another run of this configuration is in progress"});
    EXPECT_FALSE(engine_.Running());
    EXPECT_FALSE(Exists(dst_ + "/a.txt"));
    EXPECT_FALSE(Exists(LogFolder())) << "no log file, no Log folder";
  }
  EXPECT_EQ(Run(), RunResult::Clean) << "the lock goes with its holder";
  EXPECT_EQ(ReadFile(dst_ + "/a.txt"), "a");
}

TEST_F(SafetyTest, ARunHoldsTheLockFromItsFirstLineToItsEnd) {
  bool heldAtStart = false, heldAtEnd = false;
  WriteFile(src_ + "/a.txt", "a");
  OneJob({});
  lines_.when = [](const std::string& line) { return line.rfind("Synchronisation started at: ", 0) == 0; };
  lines_.hook = [&] {
    heldAtStart = platform::RunLock(ConfigPath()).busy();
    lines_.when = [](const std::string& line) { return line.rfind("Dir ", 0) == 0; };
    lines_.hook = [&] { heldAtEnd = platform::RunLock(ConfigPath()).busy(); };
  };
  EXPECT_EQ(Run(), RunResult::Clean);
  EXPECT_TRUE(heldAtStart);
  EXPECT_TRUE(heldAtEnd);
  EXPECT_TRUE(platform::RunLock(ConfigPath()).held()) << "released after the run";
}

TEST_F(SafetyTest, AConfigurationWithoutAFolderRunsAsBefore) {
  // Nothing can be locked where the folder is missing; no other run can be
  // using a configuration there either.
  KeptLines nowhereLines;
  RunEngine nowhere(LocationsFor(dir_ / "gone/tandrel"), nowhereLines);
  const platform::RunLock lock(nowhere.Locations().configFile);
  EXPECT_FALSE(lock.held());
  EXPECT_FALSE(lock.busy());
  EXPECT_EQ(nowhere.RunJobs({}), RunResult::Clean);
  ASSERT_FALSE(nowhereLines.lines.empty());
  EXPECT_EQ(nowhereLines.lines[0].rfind("Synchronisation started at: ", 0), 0u);
}

// Folders that are there but that this user may not list or search: what
// they hold is unknown, never absent. Root reads through any mode, so these
// run in the unprivileged pass.
struct UnreadableRow {
  const char* what;
  std::vector<std::string> keys;
  const char* folder;  // below the temporary folder, made unreadable
  mode_t mode;
  const char* line;  // <S> and <D> stand for the two trees
};

const UnreadableRow kUnreadable[] = {
    {"source subfolder",
     {"Include SubDirs=1", "Cleanup Destination=1", "Delete Empty SubDirs=1"},
     "S/sub",
     0000,
     "Reading dir \"<S>/sub/\" failed, errorcode: 13"},
    {"source subfolder that may be searched",
     {"Include SubDirs=1", "Cleanup Destination=1"},
     "S/sub",
     0311,
     "Reading dir \"<S>/sub/\" failed, errorcode: 13"},
    {"the job's own From folder",
     {"Include SubDirs=1", "Cleanup Destination=1"},
     "S",
     0000,
     "Reading dir \"<S>/\" failed, errorcode: 13"},
    {"server subfolder of a client",
     {"Include SubDirs=1", "Handle As Client=1"},
     "D/sub",
     0000,
     "File ..C .... code 13 <S>/sub/a.txt -> <D>/sub/a.txt"},
};

void PrintTo(const UnreadableRow& row, std::ostream* os) { *os << row.what; }

class UnreadableTest : public EngineFixture, public ::testing::WithParamInterface<UnreadableRow> {};

TEST_P(UnreadableTest, WhatCannotBeReadIsNeverTakenAsAbsent) {
  if (Privileged()) GTEST_SKIP() << "root reads any folder";
  const UnreadableRow& row = GetParam();
  WriteFile(src_ + "/sub/a.txt", "the only copy");
  const std::string a = src_ + "/sub/a.txt";
  ASSERT_EQ(platform::SetAttributes(a, platform::GetAttributes(a) & ~Archive), 0);
  WriteFile(dst_ + "/sub/a.txt", "the backup");
  WriteFile(dst_ + "/sub/stale.txt", "kept while its source is unknown");
  OneJob(row.keys);
  settings_.extendedLog = true;
  const std::string folder = dir_ / row.folder;
  ASSERT_EQ(::chmod(folder.c_str(), row.mode), 0);
  std::vector<std::string>& echoed = lines_.failures;
  const RunResult result = Run();
  ::chmod(folder.c_str(), 0755);

  std::string line = row.line;
  for (size_t at; (at = line.find("<S>")) != std::string::npos;) line.replace(at, 3, src_);
  for (size_t at; (at = line.find("<D>")) != std::string::npos;) line.replace(at, 3, dst_);
  EXPECT_EQ(result, RunResult::Failed);
  EXPECT_TRUE(std::find(echoed.begin(), echoed.end(), line) != echoed.end()) << line;
  EXPECT_EQ(ReadFile(src_ + "/sub/a.txt"), "the only copy");
  EXPECT_EQ(ReadFile(dst_ + "/sub/stale.txt"), "kept while its source is unknown");
  for (const std::string& l : lines_.lines) {
    EXPECT_EQ(l.find("is empty"), std::string::npos) << l;
    EXPECT_EQ(l.find("removed (was empty)"), std::string::npos) << l;
  }
}

INSTANTIATE_TEST_SUITE_P(Folders, UnreadableTest, ::testing::ValuesIn(kUnreadable),
                         [](const ::testing::TestParamInfo<UnreadableRow>& info) {
                           std::string name;
                           for (const char* c = info.param.what; *c; ++c) name += std::isalnum(*c) ? *c : '_';
                           return name;
                         });

// A bind mount shows one folder at two places: the overlap of a job's two
// sides is found by what the folders are, not by how their paths read.
class BindMount {
 public:
  BindMount(const std::string& from, const std::string& at) : at_(at) {
    MakeDir(at);
    mounted_ = ::mount(from.c_str(), at.c_str(), nullptr, MS_BIND, nullptr) == 0;
  }
  ~BindMount() {
    if (mounted_) ::umount2(at_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }

 private:
  std::string at_;
  bool mounted_ = false;
};

TEST_F(SafetyTest, ASourceMountedInsideItsDestinationIsRefused) {
  WriteFile(dst_ + "/inner/own.txt", "the source's own file");
  WriteFile(dst_ + "/backup.txt", "b");
  const BindMount source(dst_ + "/inner", dir_ / "mnt");
  if (!source.mounted()) GTEST_SKIP() << "cannot bind-mount here";
  WriteFile(ConfigPath(), "[Active Jobs]\r\n0=J\r\n[J]\r\nSource=" + (dir_ / "mnt") + "\r\nDestination=" +
                              dst_ + "\r\nInclude SubDirs=1\r\nCleanup Destination=1\r\n");
  EXPECT_EQ(RunLines(), Lines{"Source and destination overlap for job \"J\""});
  EXPECT_EQ(ReadFile(dst_ + "/inner/own.txt"), "the source's own file");
}

TEST_F(SafetyTest, ADestinationMountedInsideItsSourceIsNeverWalked) {
  WriteFile(src_ + "/sub/x.txt", "x");
  const BindMount dest(src_ + "/sub", dir_ / "mnt");
  if (!dest.mounted()) GTEST_SKIP() << "cannot bind-mount here";
  WriteFile(ConfigPath(), "[Active Jobs]\r\n0=J\r\n[J]\r\nSource=" + src_ +
                              "\r\nDestination=" + (dir_ / "mnt") + "\r\nInclude SubDirs=1\r\n");
  EXPECT_EQ(RunLines(), Lines{"Dir " + src_ + "/ - 0 files and 0 directories synchronised"});
  EXPECT_FALSE(Exists(src_ + "/sub/sub")) << "the destination was walked as part of the source";
}

}  // namespace
}  // namespace tandrel::test
