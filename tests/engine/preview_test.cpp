// A preview changes nothing, and says exactly what the run after it then
// does: for each kind of tree, the preview's lines, outcome and counts are
// those of the real run with extended logging that follows it.

#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "engine/preview_summary.h"
#include "platform/entries.h"
#include "platform/folders.h"
#include "testsupport/engine_fixture.h"
#include "testsupport/other_user.h"

namespace tandrel::test {
namespace {

using Lines = std::vector<std::string>;
using platform::attr::Archive;

// Snapshot() of `root` plus every entry's extended attributes (links not
// followed): two are equal only when nothing at all changed below `root`.
std::map<std::string, std::string> FullSnapshot(const std::string& root) {
  auto facts = Snapshot(root);
  std::error_code ec;
  for (std::filesystem::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string path = it->path().string();
    char names[4096];
    const ssize_t n = ::llistxattr(path.c_str(), names, sizeof names);
    std::string x;
    for (ssize_t at = 0; at < n; at += static_cast<ssize_t>(std::strlen(names + at)) + 1) {
      char value[256];
      const ssize_t v = ::lgetxattr(path.c_str(), names + at, value, sizeof value);
      x += std::string(names + at) + "=" + (v >= 0 ? std::string(value, v) : "?") + ";";
    }
    facts[path.substr(root.size()) + " xattr"] = x;
  }
  return facts;
}

void SetArchive(const std::string& path, bool on) {
  const uint32_t a = platform::GetAttributes(path);
  ASSERT_EQ(platform::SetAttributes(path, on ? (a | Archive) : (a & ~Archive)), 0) << path;
}

class PreviewTest : public EngineFixture {
 protected:
  const std::time_t t_ = LocalTime(2026, 6, 1, 12, 0, 0);

  void File(const std::string& path, const std::string& text, std::time_t when) {
    WriteFile(path, text);
    SetMTime(path, when);
  }

  // Writes a configuration of several active jobs; each is its name, its
  // folders and its key lines.
  struct Job {
    std::string name, from, to;
    std::vector<std::string> keys;
    std::string mask = "*.*";
  };
  void Jobs(const std::vector<Job>& jobs) {
    std::string active = "[Active Jobs]\r\n", sections;
    for (size_t i = 0; i < jobs.size(); ++i) {
      const Job& j = jobs[i];
      active += std::to_string(i) + "=" + j.name + "\r\n";
      sections += "\r\n[" + j.name + "]\r\nSource=" + j.from + "\r\nDestination=" + j.to +
                  "\r\nFileMask=" + j.mask + "\r\n";
      for (const auto& k : j.keys) sections += k + "\r\n";
    }
    WriteFile(ConfigPath(), active + sections);
  }

  struct Outcome {
    RunResult result;
    Lines lines;  // after the start line
    RunCounts counts;
  };
  Outcome LinesOf(RunResult result) {
    const auto& memo = lines_.lines;
    EXPECT_FALSE(memo.empty());
    return {result, Lines(memo.begin() + (memo.empty() ? 0 : 1), memo.end()), engine_.Counts()};
  }

  // Previews the configuration, checks that nothing below the temporary
  // folder changed, runs it for real with extended logging and compares.
  // Returns the real run's outcome for the scenario's own checks.
  Outcome PreviewThenRun() {
    // A log file is asked for: the preview must still write none.
    settings_.logFile = true;
    settings_.extendedLog = false;
    const auto before = FullSnapshot(dir_.path());
    // Every reader of the read-ahead at work from the start, beneath the plan.
    engine_.SetReadAhead(engine_.ReadAheadEnabled(), true);
    const Outcome preview = LinesOf(Preview());
    engine_.SetReadAhead(engine_.ReadAheadEnabled());
    EXPECT_EQ(FullSnapshot(dir_.path()), before) << "the preview changed the disk";

    settings_.extendedLog = true;
    const Outcome run = LinesOf(Run());
    // The preview names each file the cleanup would delete, once; without
    // those lines it is the run's log.
    Lines previewed;
    long wouldDelete = 0;
    for (const std::string& line : preview.lines) {
      if (line.rfind("Would delete file \"", 0) == 0) {
        ++wouldDelete;
        EXPECT_FALSE(Exists(line.substr(19, line.size() - 20))) << line << " is still there after the run";
      } else {
        previewed.push_back(line);
      }
    }
    EXPECT_EQ(wouldDelete, run.counts.destinationDeleted);
    EXPECT_EQ(previewed, run.lines);
    EXPECT_EQ(preview.result, run.result);
    EXPECT_EQ(preview.counts, run.counts);
    return run;
  }
};

TEST_F(PreviewTest, FilesByAgeAndAlways) {
  File(src_ + "/new.txt", "new", t_);
  File(src_ + "/newer.txt", "newer", t_ + 100);
  File(dst_ + "/newer.txt", "old", t_);
  File(src_ + "/older.txt", "older", t_);
  File(dst_ + "/older.txt", "newer at the destination", t_ + 100);
  File(src_ + "/equal.txt", "equal", t_);
  File(dst_ + "/equal.txt", "equal", t_);
  File(src_ + "/second.txt", "one second apart", t_ + 1);
  File(dst_ + "/second.txt", "one second apart", t_);
  File(src_ + "/third.txt", "one second apart, odd", t_ + 2);
  File(dst_ + "/third.txt", "one second apart, odd", t_ + 1);
  OneJob({});
  const Outcome plain = PreviewThenRun();
  EXPECT_GE(plain.counts.copied, 2);

  OneJob({"Always=1"});
  const Outcome always = PreviewThenRun();
  EXPECT_EQ(always.counts.copied, 6);
}

TEST_F(PreviewTest, ServerAndClientWithBothArchiveStates) {
  // The server: files with and without the archive mark, new and present,
  // and a folder at the destination where a file would go.
  const std::string server = dir_ / "Server", mirror = dir_ / "Mirror";
  File(server + "/set.txt", "set", t_);
  File(server + "/clear.txt", "clear", t_);
  SetArchive(server + "/clear.txt", false);
  File(server + "/present.txt", "present", t_);
  File(mirror + "/present.txt", "present", t_);
  File(server + "/folder-there.txt", "f", t_ + 10);
  MakeDir(mirror + "/folder-there.txt");
  // The client: archive set or clear, present on the server or not, and a
  // folder on the server in place of one of its files.
  File(src_ + "/changed.txt", "changed on the client", t_);
  File(src_ + "/deleted.txt", "deleted on the server", t_);
  SetArchive(src_ + "/deleted.txt", false);
  File(src_ + "/kept.txt", "on both", t_);
  File(dst_ + "/kept.txt", "on both", t_);
  SetArchive(src_ + "/kept.txt", false);
  File(src_ + "/dir-on-server.txt", "d", t_);
  SetArchive(src_ + "/dir-on-server.txt", false);
  MakeDir(dst_ + "/dir-on-server.txt");
  File(src_ + "/read-only.txt", "r", t_);
  SetArchive(src_ + "/read-only.txt", false);
  MakeReadOnly(src_ + "/read-only.txt");
  Jobs({{"Server", server, mirror, {"Handle As Server=1"}}, {"Client", src_, dst_, {"Handle As Client=1"}}});
  const Outcome run = PreviewThenRun();
  EXPECT_EQ(run.counts.sourceDeleted, 1);
  EXPECT_EQ(run.result, RunResult::Failed);  // a folder stands where a server copy goes
  MakeWritable(src_ + "/read-only.txt");
}

TEST_F(PreviewTest, SubfoldersWithEmptyChainsAndDeleteEmpty) {
  File(src_ + "/top.txt", "t", t_);
  File(src_ + "/a/b/c/deep.txt", "deep", t_);
  MakeDir(src_ + "/empty/chain/below");
  MakeDir(src_ + "/mixed/gone");
  File(src_ + "/mixed/stays.txt", "s", t_);
  File(src_ + "/dotted/.keep", "a dot file keeps its folder", t_);
  File(dst_ + "/a/b/c/deep.txt", "older", t_ - 100);
  OneJob({"Include SubDirs=1", "Delete Empty SubDirs=1"});
  const Outcome run = PreviewThenRun();
  EXPECT_EQ(run.counts.foldersRemoved, 4);   // the chain of three and mixed/gone
  EXPECT_EQ(run.result, RunResult::Failed);  // dotted/ is not empty

  // A client's deletion empties a folder, which is then removed.
  Jobs({{"Client",
         src_ + "/a",
         dst_ + "/a",
         {"Handle As Client=1", "Include SubDirs=1", "Delete Empty SubDirs=1"}}});
  std::filesystem::remove(dst_ + "/a/b/c/deep.txt");
  File(dst_ + "/a/other.txt", "the server's", t_);
  SetArchive(src_ + "/a/b/c/deep.txt", false);
  const Outcome client = PreviewThenRun();
  EXPECT_EQ(client.counts.sourceDeleted, 1);
  EXPECT_EQ(client.counts.foldersRemoved, 2);
}

TEST_F(PreviewTest, CleanupWithMasksDotEntriesAndFilesNamedLikeFolders) {
  File(src_ + "/keep.txt", "k", t_);
  File(src_ + "/photo.jpg", "p", t_);
  File(dst_ + "/stale.txt", "gone from the source", t_);
  File(dst_ + "/stale.jpg", "outside the mask", t_);
  File(dst_ + "/.hidden", "dot entries stay", t_);
  File(dst_ + "/old/inner/x.txt", "a folder the source lost", t_);
  File(dst_ + "/old/.dot", "a dot file inside a removed folder", t_);
  File(dst_ + "/lost/y.txt", "y", t_);
  MakeReadOnly(dst_ + "/lost/" + LeaveStaleTemporary(dst_ + "/lost/"));  // goes with its folder, quietly
  File(dst_ + "/locked.txt", "read-only, so its deletion fails", t_);
  MakeReadOnly(dst_ + "/locked.txt");
  File(src_ + "/name", "a file where the destination has a folder", t_);
  File(dst_ + "/name/z.txt", "z", t_);
  File(src_ + "/folder/w.txt", "w", t_);
  File(dst_ + "/folder", "a file where the source has a folder", t_);
  OneJob({"Include SubDirs=1", "Cleanup Destination=1"}, "*.txt");
  const Outcome masked = PreviewThenRun();
  EXPECT_EQ(masked.counts.destinationDeleted, 1);  // folders are not named by the mask
  EXPECT_EQ(masked.counts.foldersRemoved, 0);
  EXPECT_EQ(masked.result, RunResult::Failed);

  OneJob({"Include SubDirs=1", "Cleanup Destination=1"});
  const Outcome all = PreviewThenRun();
  EXPECT_EQ(all.counts.foldersRemoved, 3);
  EXPECT_EQ(all.result, RunResult::Failed);  // old/ keeps its dot file
}

TEST_F(PreviewTest, VerifyAndCopiesThatFail) {
  File(src_ + "/fine.txt", "fine", t_ + 100);
  File(src_ + "/blocked.txt", "newer", t_ + 100);
  File(dst_ + "/blocked.txt", "read-only at the destination", t_);
  MakeReadOnly(dst_ + "/blocked.txt");
  File(src_ + "/sub/more.txt", "more", t_);
  OneJob({"Include SubDirs=1", "Verify=1"});
  const Outcome run = PreviewThenRun();
  EXPECT_EQ(run.result, RunResult::Failed);
  MakeWritable(dst_ + "/blocked.txt");
}

TEST_F(PreviewTest, FoldersThatAreMissingOverlapOrEmpty) {
  File(src_ + "/a.txt", "a", t_);
  MakeDir(dir_ / "Empty");
  File(dir_ / "Full/f.txt", "f", t_);
  Jobs({
      {"Missing source", dir_ / "nowhere", dst_, {}},
      {"Missing destination", src_, dir_ / "nowhere", {}},
      {"Overlap", src_, src_, {}},
      {"Empty source", dir_ / "Empty", dir_ / "Full", {"Cleanup Destination=1"}},
      {"Empty server", dir_ / "Full", dir_ / "Empty", {"Handle As Client=1"}},
      {"Fine", src_, dst_, {}},
  });
  const Outcome run = PreviewThenRun();
  EXPECT_EQ(run.result, RunResult::Failed);
  EXPECT_EQ(run.counts.copied, 1);
}

TEST_F(PreviewTest, ALaterJobSeesWhatAnEarlierOneWouldHaveMade) {
  // The first job makes folders and files that the second copies on, into
  // a folder that only the second makes, where the third then copies.
  File(src_ + "/one/two/deep.txt", "deep", t_);
  File(src_ + "/top.txt", "top", t_);
  File(dst_ + "/old/x.txt", "x", t_);
  Jobs({
      {"First", src_, dst_, {"Include SubDirs=1", "Cleanup Destination=1"}},
      {"Second", dst_, dir_ / "Copy", {"Include SubDirs=1"}},
      {"Into a new folder", dst_ + "/one", dir_ / "Copy/one", {"Include SubDirs=1", "Always=1", "Verify=1"}},
  });
  MakeDir(dir_ / "Copy");
  File(dir_ / "Copy/placeholder.txt", "p", t_);
  const Outcome run = PreviewThenRun();
  EXPECT_EQ(run.result, RunResult::Clean);
  EXPECT_EQ(run.counts.copied, 2 + 2 + 1);
}

TEST_F(PreviewTest, AFolderThatMayNotBeWrittenGivesTheRunsCode) {
  // As root every copy succeeds; as another user each one is refused: the
  // preview says which, whoever runs it.
  File(src_ + "/a.txt", "a", t_);
  File(src_ + "/sub/b.txt", "b", t_);
  File(dst_ + "/sub/placeholder", "p", t_);
  ::chmod((dst_ + "/sub").c_str(), 0555);
  OneJob({"Include SubDirs=1"});
  PreviewThenRun();
  ::chmod((dst_ + "/sub").c_str(), 0755);
}

TEST_F(PreviewTest, FoldersThatMayNotBeReadAreReportedAsTheRunReportsThem) {
  if (Privileged()) GTEST_SKIP() << "root reads any folder";
  const std::string client = dir_ / "Client", server = dir_ / "Server";
  File(src_ + "/sub/a.txt", "a", t_);
  File(dst_ + "/sub/stale.txt", "s", t_);
  File(client + "/sub/b.txt", "b", t_);
  SetArchive(client + "/sub/b.txt", false);
  File(server + "/sub/b.txt", "b", t_);
  Jobs({{"Cleanup", src_, dst_, {"Include SubDirs=1", "Cleanup Destination=1", "Delete Empty SubDirs=1"}},
        {"Client", client, server, {"Include SubDirs=1", "Handle As Client=1"}}});
  ::chmod((src_ + "/sub").c_str(), 0);
  ::chmod((server + "/sub").c_str(), 0);
  EXPECT_EQ(PreviewThenRun().result, RunResult::Failed);
  ::chmod((src_ + "/sub").c_str(), 0755);
  ::chmod((server + "/sub").c_str(), 0755);
}

TEST_F(PreviewTest, ABusyConfigurationIsReportedAndNothingIsPlanned) {
  File(src_ + "/a.txt", "a", t_);
  OneJob({});
  const int holder = ::open((ConfigPath() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  const auto before = FullSnapshot(dir_.path());
  EXPECT_EQ(Preview(), RunResult::Busy);
  EXPECT_EQ(lines_.lines, Lines{kRunBusyLine});
  EXPECT_EQ(FullSnapshot(dir_.path()), before);
  ::close(holder);

  // Without a lock file the preview makes none.
  std::filesystem::remove(ConfigPath() + ".lock");
  EXPECT_EQ(Preview(), RunResult::Clean);
  EXPECT_FALSE(Exists(ConfigPath() + ".lock"));
  EXPECT_FALSE(Exists(dst_ + "/a.txt"));
}

TEST(PreviewSummary, NamesEachCount) {
  RunCounts counts;
  counts.copied = 3;
  counts.sourceDeleted = 1;
  counts.destinationDeleted = 12;
  counts.foldersRemoved = 2;
  EXPECT_EQ(
      PreviewSummary(counts),
      "Preview: 3 files would be copied, 1 source files deleted, 12 destination files deleted, 2 folders "
      "removed");
}

}  // namespace
}  // namespace tandrel::test
