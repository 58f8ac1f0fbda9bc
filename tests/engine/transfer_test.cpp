#include <unistd.h>

#include <cctype>
#include <ostream>

#include "engine/zo_dir.h"
#include "platform/platform.h"
#include "testsupport/engine_fixture.h"

namespace tandrel::test {
namespace {

using TransferTest = EngineFixture;

using platform::attr::Archive;

// A link stands where the destination file belongs (pointing at a newer
// file outside); a read-only older copy refuses to be replaced.
enum class Dest { Missing, OlderThanSource, SameAge, Link, ReadOnlyOlder };
enum Mode : int { Plain = 0, Always = 1, Server = 2, Client = 4 };

struct Row {
  Dest dest;
  int mode;
  bool sourceArchive;
  const char* status;
  bool copied;
  bool sourceKept;
  bool sourceArchiveAfter;  // only looked at when the source is kept
  bool destArchiveAfter;    // only looked at when a destination file exists
  int code = 0;
};

// Every row of the transfer decision; the destination, where present, holds
// "old" and the source "new".
const Row kRows[] = {
    {Dest::SameAge, Always, true, "File A.. .C..", true, true, true, true},
    {Dest::SameAge, Always | Server, true, "File AS. .C..", true, true, true, false},
    {Dest::SameAge, Always | Client, true, "File A.C .C..", true, true, false, true},
    {Dest::Missing, Plain, true, "File ... .C..", true, true, true, true},
    {Dest::Missing, Server, true, "File .S. N...", true, true, true, false},
    {Dest::Missing, Client, true, "File ..C .C..", true, true, false, true},
    {Dest::Missing, Client, false, "File ..C .D..", false, false, false, false},
    {Dest::Missing, Server | Client, true, "File .SC NC..", true, true, false, true},
    {Dest::Missing, Server | Client, false, "File .SC ND..", true, false, false, false},
    {Dest::OlderThanSource, Plain, true, "File D.. .C..", true, true, true, true},
    {Dest::OlderThanSource, Server, true, "File DS. .C..", true, true, true, false},
    {Dest::OlderThanSource, Client, true, "File D.C .C..", true, true, false, true},
    {Dest::SameAge, Plain, true, "File ... ....", false, true, true, true},
    {Dest::SameAge, Server, true, "File .S. ....", false, true, true, false},
    {Dest::SameAge, Client, true, "File ..C ....", false, true, false, true},
    {Dest::Link, Plain, true, "File ... .C..", true, true, true, true},
    {Dest::Link, Client, false, "File ..C .C..", true, true, false, false},
    // A failed copy marks nothing as done: both archive attributes stay set.
    {Dest::ReadOnlyOlder, Client, true, "File D.C .C..", false, true, true, true, 13},
    {Dest::ReadOnlyOlder, Server, true, "File DS. .C..", false, true, true, true, 13},
};

class TransferTable : public EngineFixture, public ::testing::WithParamInterface<Row> {};

TEST_P(TransferTable, DecidesCopiesAndReports) {
  const Row& row = GetParam();
  const std::string source = src_ + "/f.txt", dest = dst_ + "/f.txt";
  const std::time_t t = LocalTime(2025, 1, 1, 12, 0, 0);
  WriteFile(source, "new");
  SetMTime(source, t);
  const std::string outside = dir_ / "outside.txt";
  if (row.dest == Dest::Link) {
    WriteFile(outside, "outside");
    SetMTime(outside, t + 3600);
    ASSERT_EQ(::symlink(outside.c_str(), dest.c_str()), 0);
  } else if (row.dest != Dest::Missing) {
    WriteFile(dest, "old");
    SetMTime(dest, row.dest == Dest::SameAge ? t : t - 3600);
    if (row.dest == Dest::ReadOnlyOlder) MakeReadOnly(dest);
  }
  if (!row.sourceArchive) platform::SetAttributes(source, platform::GetAttributes(source) & ~Archive);
  MakeDir(dst_ + "/other");  // the server's folder is never empty here: an empty one refuses client jobs
  OneJob({std::string("Always=") + (row.mode & Always ? "1" : "0"),
          std::string("Handle As Server=") + (row.mode & Server ? "1" : "0"),
          std::string("Handle As Client=") + (row.mode & Client ? "1" : "0")});
  main_.ExtendedLog = true;

  const auto lines = RunLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0],
            std::string(row.status) + " code " + std::to_string(row.code) + " " + source + " -> " + dest);
  EXPECT_EQ(lines[1], "Dir " + src_ + "/ - 1 files and 0 directories synchronised");

  if (row.dest != Dest::Missing || row.copied) {
    EXPECT_EQ(ReadFile(dest), row.copied ? "new" : "old");
    EXPECT_EQ(bool(platform::GetAttributes(dest) & Archive), row.destArchiveAfter);
  } else {
    EXPECT_FALSE(Exists(dest));
  }
  EXPECT_EQ(Exists(source), row.sourceKept);
  if (row.sourceKept) {
    EXPECT_EQ(bool(platform::GetAttributes(source) & Archive), row.sourceArchiveAfter);
  }
  if (row.copied) {
    EXPECT_EQ(MTime(dest), t) << "the copy keeps the source's time";
  }
  if (row.dest == Dest::Link) {
    EXPECT_EQ(ReadFile(outside), "outside") << "the link is replaced, not followed";
  }
}

void PrintTo(const Row& row, std::ostream* os) { *os << row.status; }

// Names such as "Row07_File__C__D__" keep the failing row recognisable.
INSTANTIATE_TEST_SUITE_P(AllRows, TransferTable, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& info) {
                           std::string name = "Row" + std::to_string(info.index / 10) +
                                              std::to_string(info.index % 10) + "_";
                           for (const char* c = info.param.status; *c; ++c)
                             name += std::isalpha(*c) ? *c : '_';
                           return name;
                         });

TEST_F(TransferTest, ANewerSourceIsCopiedWhateverItsYear) {
  const std::pair<std::time_t, std::time_t> years[] = {
      {LocalTime(1972, 5, 1, 0, 0, 0), LocalTime(1971, 5, 1, 0, 0, 0)},
      {LocalTime(2200, 5, 1, 0, 0, 0), LocalTime(2150, 5, 1, 0, 0, 0)},
  };
  OneJob({});
  for (const auto& [newer, older] : years) {
    WriteFile(src_ + "/f.txt", "newer");
    SetMTime(src_ + "/f.txt", newer);
    WriteFile(dst_ + "/f.txt", "older");
    SetMTime(dst_ + "/f.txt", older);
    main_.RunJobs();
    EXPECT_EQ(ReadFile(dst_ + "/f.txt"), "newer") << newer;
  }
}

TEST_F(TransferTest, ClientDeletionIsCountedAsGone) {
  // The only file of a subdirectory is deleted on the client side: the
  // subdirectory becomes empty and is removed in the same run.
  WriteFile(src_ + "/sub/f.txt", "x");
  platform::SetAttributes(src_ + "/sub/f.txt", platform::GetAttributes(src_ + "/sub/f.txt") & ~Archive);
  MakeDir(dst_ + "/other");  // an empty server folder would refuse the job
  OneJob({"Handle As Client=1", "Include SubDirs=1", "Delete Empty SubDirs=1"});
  EXPECT_EQ(RunLines(),
            (std::vector<std::string>{"Dir " + src_ + "/sub/ - 1 files and 0 directories synchronised",
                                      "Dir " + src_ + "/sub removed (was empty)",
                                      "Dir " + src_ + "/ - 0 files and 0 directories synchronised"}));
}

TEST_F(TransferTest, ClientNeverDeletesASourceFileWhereTheServerHasADirectory) {
  WriteFile(src_ + "/x", "keep me");
  platform::SetAttributes(src_ + "/x", platform::GetAttributes(src_ + "/x") & ~Archive);
  MakeDir(dst_ + "/x");
  OneJob({"Handle As Client=1"});
  main_.ExtendedLog = true;
  EXPECT_EQ(RunLines()[0], "File ..C .... code 0 " + src_ + "/x -> " + dst_ + "/x");
  EXPECT_EQ(ReadFile(src_ + "/x"), "keep me");
}

// The archive step must work on read-only files too: the client's archive
// bit is what tells a file deleted on the server from a new one.
TEST_F(TransferTest, ClientClearsTheArchiveOfAReadOnlyFileSoAServerDeletionHolds) {
  const std::string source = src_ + "/ro.txt", dest = dst_ + "/ro.txt";
  WriteFile(source, "kept");
  test::MakeReadOnly(source);
  MakeDir(dst_ + "/other");  // an empty server folder would refuse the job
  OneJob({"Handle As Client=1"});
  main_.ExtendedLog = true;
  EXPECT_EQ(RunLines()[0], "File ..C .C.. code 0 " + source + " -> " + dest);
  EXPECT_FALSE(platform::GetAttributes(source) & Archive);
  EXPECT_EQ(FileMode(source), 0444u);

  ASSERT_EQ(::unlink(dest.c_str()), 0);  // deleted on the server
  // The refused deletion shows its code and fails the run.
  EXPECT_EQ(RunLines()[0], "File ..C .D.. code 13 " + source + " -> " + dest);
  EXPECT_EQ(main_.RunJobs(), RunResult::Failed);
  EXPECT_FALSE(Exists(dest)) << "not copied back";
  EXPECT_EQ(ReadFile(source), "kept") << "a read-only file is never deleted";
}

TEST_F(TransferTest, ServerClearsTheArchiveOfAReadOnlyCopy) {
  const std::string source = src_ + "/ro.txt", dest = dst_ + "/ro.txt";
  WriteFile(source, "new");
  test::MakeReadOnly(source);
  OneJob({"Handle As Server=1"});
  main_.ExtendedLog = true;
  EXPECT_EQ(RunLines()[0], "File .S. N... code 0 " + source + " -> " + dest);
  EXPECT_FALSE(platform::GetAttributes(dest) & Archive);
  EXPECT_TRUE(platform::GetAttributes(source) & Archive);
  EXPECT_EQ(FileMode(dest), 0444u);
}

TEST_F(TransferTest, CopyFailuresCarryThePlatformCode) {
  WriteFile(src_ + "/ro.txt", "v1");
  WriteFile(src_ + "/isdir", "file");
  MakeDir(dst_ + "/isdir");
  test::MakeReadOnly(src_ + "/ro.txt");
  OneJob({});
  main_.ExtendedLog = true;
  RunLines();  // the first copy of a read-only file succeeds and is read-only too
  EXPECT_EQ(ReadFile(dst_ + "/ro.txt"), "v1");

  test::MakeWritable(src_ + "/ro.txt");
  WriteFile(src_ + "/ro.txt", "v2");
  SetMTime(src_ + "/ro.txt", MTime(dst_ + "/ro.txt") + 10);
  const auto lines = RunLines();
  ASSERT_EQ(lines.size(), 3u);
  for (const auto& line : {lines[0], lines[1]}) {
    if (line.find("ro.txt") != std::string::npos) {
      EXPECT_EQ(line, "File D.. .C.. code 13 " + src_ + "/ro.txt -> " + dst_ + "/ro.txt");
    } else {
      EXPECT_EQ(line, "File ... .C.. code 13 " + src_ + "/isdir -> " + dst_ + "/isdir");
    }
  }
  EXPECT_EQ(ReadFile(dst_ + "/ro.txt"), "v1");
}

TEST_F(TransferTest, SameAgeWithinTheTwoSecondStepIsNotCopied) {
  WriteFile(src_ + "/f", "new");
  WriteFile(dst_ + "/f", "old");
  SetMTime(dst_ + "/f", LocalTime(2025, 1, 1, 12, 0, 0));
  SetMTime(src_ + "/f", LocalTime(2025, 1, 1, 12, 0, 1));
  OneJob({});
  RunLines();
  EXPECT_EQ(ReadFile(dst_ + "/f"), "old");
  // A destination newer than the source keeps its content too.
  SetMTime(dst_ + "/f", LocalTime(2025, 6, 1, 12, 0, 0));
  RunLines();
  EXPECT_EQ(ReadFile(dst_ + "/f"), "old");
}

TEST_F(TransferTest, FarFutureSourceStillCountsAsNewer) {
  WriteFile(src_ + "/f", "new");
  WriteFile(dst_ + "/f", "old");
  SetMTime(dst_ + "/f", LocalTime(2040, 1, 1, 0, 0, 0));
  SetMTime(src_ + "/f", LocalTime(2050, 1, 1, 0, 0, 0));
  OneJob({});
  RunLines();
  EXPECT_EQ(ReadFile(dst_ + "/f"), "new");
}

}  // namespace
}  // namespace tandrel::test
