#include <unistd.h>

#include <cctype>
#include <ostream>

#include "engine/folder_level.h"
#include "platform/entries.h"
#include "platform/folders.h"
#include "testsupport/engine_fixture.h"

namespace tandrel::test {
namespace {

using TransferTest = EngineFixture;

using platform::attr::Archive;

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
    Run();
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
  settings_.extendedLog = true;
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
  settings_.extendedLog = true;
  EXPECT_EQ(RunLines()[0], "File ..C .C.. code 0 " + source + " -> " + dest);
  EXPECT_FALSE(platform::GetAttributes(source) & Archive);
  EXPECT_EQ(FileMode(source), 0444u);

  ASSERT_EQ(::unlink(dest.c_str()), 0);  // deleted on the server
  // The refused deletion shows its code and fails the run.
  EXPECT_EQ(RunLines()[0], "File ..C .D.. code 13 " + source + " -> " + dest);
  EXPECT_EQ(Run(), RunResult::Failed);
  EXPECT_FALSE(Exists(dest)) << "not copied back";
  EXPECT_EQ(ReadFile(source), "kept") << "a read-only file is never deleted";
}

TEST_F(TransferTest, ServerClearsTheArchiveOfAReadOnlyCopy) {
  const std::string source = src_ + "/ro.txt", dest = dst_ + "/ro.txt";
  WriteFile(source, "new");
  test::MakeReadOnly(source);
  OneJob({"Handle As Server=1"});
  settings_.extendedLog = true;
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
  settings_.extendedLog = true;
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
