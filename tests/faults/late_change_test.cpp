// Changes other programs make while a run has a file in hand: between the
// run's look at it and its action, or in the middle of its copy. The run
// acts only on what it finds when it acts; nothing is lost, and what it
// could not do is a failure with its code, for the next run to decide.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>

#include "platform/entries.h"
#include "platform/file_system.h"
#include "platform/folders.h"
#include "platform/test_seams.h"
#include "testsupport/copy_faults.h"
#include "testsupport/engine_fixture.h"

namespace tandrel::test {
namespace {

bool HasLine(const std::vector<std::string>& lines, const std::string& text) {
  for (const auto& l : lines) {
    if (l.find(text) != std::string::npos) return true;
  }
  return false;
}

class LateChangeTest : public EngineFixture {
 protected:
  LateChangeTest() {
    // The fast road, whose early looks are the ones to distrust.
    engine_.SetReadAhead(true);
    settings_.extendedLog = true;
  }
  ~LateChangeTest() override { platform::UseNamedTemporaries(false); }
  RunResult HookedRun() {
    const platform::FileSystemScope scope(faults_);
    return Run();
  }
  std::string CodeLine(int code, const std::string& name) {
    return "code " + std::to_string(code) + " " + src_ + "/" + name + " -> ";
  }
  CopyFaults faults_{platform::RealFileSystem()};
};

// One change to the destination file while the run decides or names it.
struct DestinationChange {
  const char* name;
  bool olderFileThere;  // the destination holds an older version before the run
  bool beforeNaming;    // right before the copy takes the name; otherwise right after the first look
  bool protect;         // made read-only; otherwise the user saves a newer version (or a new file)
  bool namedTemporaries;
  int code;  // the file's code; 0: left alone without a failure
};

class DestinationChanges : public LateChangeTest, public ::testing::WithParamInterface<DestinationChange> {};

TEST_P(DestinationChanges, AreKeptAndDecidedOnAsTheyAreWhenTheRunActs) {
  const DestinationChange& row = GetParam();
  platform::UseNamedTemporaries(row.namedTemporaries);
  const std::string dest = dst_ + "/f.txt";
  WriteFile(src_ + "/f.txt", "source");
  SetMTime(src_ + "/f.txt", LocalTime(2026, 1, 1, 12, 0, 0));
  if (row.olderFileThere) {
    WriteFile(dest, "older");
    SetMTime(dest, LocalTime(2025, 1, 1, 12, 0, 0));
  }
  const auto change = [&] {
    if (row.protect) {
      ::chmod(dest.c_str(), 0444);
    } else {
      WriteFile(dest, "the user's");
      SetMTime(dest, LocalTime(2026, 6, 1, 12, 0, 0));
    }
  };
  bool done = false;
  const auto once = [&, change](const std::string& path) {
    if (path == dest && !std::exchange(done, true)) change();
  };
  if (row.beforeNaming) {
    faults_.beforePublish = once;
  } else {
    faults_.afterLook = once;
  }
  OneJob({});

  EXPECT_EQ(HookedRun(), row.code == 0 ? RunResult::Clean : RunResult::Failed);
  EXPECT_TRUE(done) << "the change was made";
  EXPECT_EQ(ReadFile(dest), row.protect ? "older" : "the user's");
  if (row.protect) {
    EXPECT_EQ(platform::GetAttributes(dest) & platform::attr::ReadOnly, platform::attr::ReadOnly);
  }
  if (row.code != 0) {
    EXPECT_TRUE(HasLine(lines_.lines, CodeLine(row.code, "f.txt")));
  }
  EXPECT_EQ(Snapshot(dst_).size(), 1u) << "no temporary left behind";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DestinationChanges,
    ::testing::Values(DestinationChange{"SavedNewerAfterTheLook", true, false, false, false, 0},
                      DestinationChange{"ProtectedAfterTheLook", true, false, true, false, EACCES},
                      DestinationChange{"SavedNewerBeforeNaming", true, true, false, false, EAGAIN},
                      DestinationChange{"ProtectedBeforeNaming", true, true, true, false, EAGAIN},
                      DestinationChange{"MadeBeforeNaming", false, true, false, false, EEXIST},
                      DestinationChange{"MadeBeforeNamingWithoutUnnamedFiles", false, true, false, true,
                                        EEXIST}),
    [](const auto& info) { return std::string(info.param.name); });

// One change to a source file in the middle of its copy (a copy of more
// than 8 MiB reports its progress, and the change comes with each report).
struct SourceChange {
  const char* name;
  bool everyTime;  // at every attempt; otherwise at the first only
  // What becomes of the file: its new size (0 keeps the size and rewrites
  // its first bytes in place).
  off_t size;
  int code;
  bool keepsFirstVersion;  // the copy holds the bytes the file had at the start
};

class SourceChanges : public LateChangeTest, public ::testing::WithParamInterface<SourceChange> {};

TEST_P(SourceChanges, NeverLeaveATornCopy) {
  const SourceChange& row = GetParam();
  const std::string source = src_ + "/big.bin";
  const std::string first(9 << 20, 'a');
  WriteFile(source, first);
  SetMTime(source, LocalTime(2026, 1, 1, 12, 0, 0));
  int changes = 0;
  faults_.duringCopy = [&](const std::string& path) {
    if (path != source || (!row.everyTime && changes > 0)) return;
    ++changes;
    const int fd = ::open(source.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    if (row.size == 0) {
      ASSERT_EQ(::pwrite(fd, "changed", 7, 0), 7);
    } else if (row.size > static_cast<off_t>(first.size())) {
      const std::string more(static_cast<size_t>(row.size) - first.size(), 'm');
      ASSERT_EQ(::pwrite(fd, more.data(), more.size(), static_cast<off_t>(first.size())),
                static_cast<ssize_t>(more.size()));
    } else {
      // Shrinking a little more each time keeps the copy long enough to report.
      ASSERT_EQ(::ftruncate(fd, row.size - changes * 4096), 0);
    }
    ::close(fd);
  };
  OneJob({});

  EXPECT_EQ(HookedRun(), row.code == 0 ? RunResult::Clean : RunResult::Failed);
  EXPECT_GE(changes, 1);
  EXPECT_TRUE(HasLine(lines_.lines, CodeLine(row.code, "big.bin")));
  const auto copies = Snapshot(dst_);
  if (row.code != 0) {
    EXPECT_TRUE(copies.empty()) << "no copy is named, no temporary left behind";
  } else if (row.keepsFirstVersion) {
    EXPECT_EQ(ReadFile(dst_ + "/big.bin"), first);
    EXPECT_EQ(MTime(dst_ + "/big.bin"), LocalTime(2026, 1, 1, 12, 0, 0)) << "the next run copies the rest";
  } else {
    EXPECT_EQ(ReadFile(dst_ + "/big.bin"), ReadFile(source)) << "copied again as it is now";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SourceChanges,
    ::testing::Values(SourceChange{"ShrinksOnce", false, 1 << 20, 0, false},
                      SourceChange{"ShrinksAtEveryAttempt", true, (9 << 20) - 65536, EAGAIN, false},
                      SourceChange{"RewrittenInPlaceAtEveryAttempt", true, 0, EAGAIN, false},
                      SourceChange{"RewrittenInPlaceOnce", false, 0, 0, false},
                      SourceChange{"OnlyGrows", true, 10 << 20, 0, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tandrel::test
