#include "engine/zo_dir.h"
#include "testsupport/engine_fixture.h"

namespace tandrel::test {
namespace {

using VerifyTest = EngineFixture;

using Lines = std::vector<std::string>;

const std::string kHint = "    VERIFYERROR, check userrights and/or fileattributes";

TEST_F(VerifyTest, VerifiedCopyOfEqualFilesShowsNoError) {
  WriteFile(src_ + "/a", std::string(100000, 'a'));
  WriteFile(src_ + "/empty", "");
  OneJob({"Verify=1"});
  main_.ExtendedLog = true;
  const Lines lines = RunLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].substr(0, 13), "File ... .C..");
  EXPECT_EQ(lines[1].substr(0, 13), "File ... .C..");
}

TEST_F(VerifyTest, ReadOnlyDestinationWithTheSameContentFailsWithoutVerifyError) {
  WriteFile(src_ + "/same", "content");
  WriteFile(dst_ + "/same", "content");
  SetMTime(dst_ + "/same", MTime(src_ + "/same") - 100);
  MakeReadOnly(dst_ + "/same");
  OneJob({"Verify=1"});
  main_.ExtendedLog = true;
  EXPECT_EQ(RunLines(), (Lines{"File D.. .C.. code 13 " + src_ + "/same -> " + dst_ + "/same",
                               "Dir " + src_ + "/ - 1 files and 0 directories synchronised"}));
}

TEST_F(VerifyTest, VerifyErrorsAreMarkedPerFileAndHintedOncePerLevel) {
  for (const char* p : {"/x1", "/x2", "/sub/y1"}) {
    WriteFile(src_ + p, "new content");
    WriteFile(dst_ + p, "old");
    SetMTime(dst_ + p, MTime(src_ + p) - 100);
    MakeReadOnly(dst_ + p);
  }
  OneJob({"Verify=1", "Include SubDirs=1"});
  main_.ExtendedLog = true;
  const Lines lines = RunLines();
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "File D.. .CE. VERIFYERROR code 13 " + src_ + "/sub/y1 -> " + dst_ + "/sub/y1");
  EXPECT_EQ(lines[1], "Dir " + src_ + "/sub/ - 1 files and 0 directories synchronised");
  EXPECT_EQ(lines[2], kHint);
  for (const auto& line : {lines[3], lines[4]}) {
    EXPECT_EQ(line.rfind("File D.. .CE. VERIFYERROR code 13 " + src_ + "/x", 0), 0u) << line;
  }
  EXPECT_EQ(lines[5], "Dir " + src_ + "/ - 2 files and 1 directories synchronised");
  EXPECT_EQ(lines[6], kHint);
}

TEST_F(VerifyTest, WithoutExtendedLogAVerifyErrorLeavesNoTrace) {
  WriteFile(src_ + "/x", "new content");
  WriteFile(dst_ + "/x", "old");
  SetMTime(dst_ + "/x", MTime(src_ + "/x") - 100);
  MakeReadOnly(dst_ + "/x");
  OneJob({"Verify=1"});
  EXPECT_EQ(RunLines(), (Lines{"Dir " + src_ + "/ - 1 files and 0 directories synchronised"}));
}

TEST_F(VerifyTest, CopyAndVerifyMarksADifferenceWithoutRepairing) {
  WriteFile(src_ + "/x", "abc");
  WriteFile(dst_ + "/x", "abd");
  MakeReadOnly(dst_ + "/x");
  OneJob({});
  main_.JobSource = src_;
  main_.JobDestination = dst_;
  main_.JobVerify = true;
  ZO_Dir level(main_);
  level.Status = "File ... ....";
  level.SourceFile = src_ + "/x";
  level.DestFile = dst_ + "/x";
  EXPECT_EQ(level.CopyAndVerify(), 13);
  EXPECT_EQ(level.Status, "File ... ..E.");
  main_.JobVerify = false;
  level.Status = "File ... ....";
  EXPECT_EQ(level.CopyAndVerify(), 13);
  EXPECT_EQ(level.Status, "File ... ....") << "no comparison without the switch";
}

}  // namespace
}  // namespace tandrel::test
