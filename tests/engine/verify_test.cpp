// Verify compares each copy as the disk holds it, before the copy replaces
// anything: a copy that is not a true one never takes the destination's
// place, and the next run copies again.

#include <cerrno>

#include "platform/file_system.h"
#include "testsupport/copy_faults.h"
#include "testsupport/engine_fixture.h"

namespace tandrel::test {
namespace {

using Lines = std::vector<std::string>;

const std::string kHint = "    VERIFYERROR, check userrights and/or fileattributes";

class VerifyTest : public EngineFixture {
 protected:
  VerifyTest() { settings_.extendedLog = true; }
  CopyFaults faults_{platform::RealFileSystem()};

  std::string Line(const std::string& status, int code, const std::string& name) const {
    return status + " code " + std::to_string(code) + " " + src_ + "/" + name + " -> " + dst_ + "/" + name;
  }
  std::string DirLine(int files) const {
    return "Dir " + src_ + "/ - " + std::to_string(files) + " files and 0 directories synchronised";
  }
};

TEST_F(VerifyTest, VerifiedCopyOfEqualFilesShowsNoError) {
  WriteFile(src_ + "/a", std::string(100000, 'a'));
  WriteFile(src_ + "/empty", "");
  OneJob({"Verify=1"});
  const Lines lines = RunLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].substr(0, 13), "File ... .C..");
  EXPECT_EQ(lines[1].substr(0, 13), "File ... .C..");
  EXPECT_EQ(ReadFile(dst_ + "/a"), std::string(100000, 'a'));
}

TEST_F(VerifyTest, AFailedCopyIsNotVerified) {
  WriteFile(src_ + "/same", "content");
  WriteFile(dst_ + "/same", "content");
  SetMTime(dst_ + "/same", MTime(src_ + "/same") - 100);
  MakeReadOnly(dst_ + "/same");
  OneJob({"Verify=1"});
  EXPECT_EQ(RunLines(), (Lines{Line("File D.. .C..", 13, "same"), DirLine(1)}));
}

// Each row is a copy that is not a true copy of its source. The old
// destination stays as it was, the run fails, and a later run without the
// fault makes the copy.
struct UntrueCopy {
  const char* name;
  std::function<void(CopyFaults&, const std::string& src)> fault;
  std::string status;  // the file's line without its code and paths
  int code;
};

class UntrueCopies : public VerifyTest, public ::testing::WithParamInterface<UntrueCopy> {};

TEST_P(UntrueCopies, NeverReplaceTheDestinationAndAreCopiedAgain) {
  const UntrueCopy& row = GetParam();
  WriteFile(src_ + "/x", "new content");
  WriteFile(dst_ + "/x", "old");
  SetMTime(dst_ + "/x", MTime(src_ + "/x") - 100);
  row.fault(faults_, src_);
  OneJob({"Verify=1", "Handle As Client=1"});
  {
    const platform::FileSystemScope scope(faults_);
    EXPECT_EQ(Run(), RunResult::Failed);
    ASSERT_GE(lines_.lines.size(), 2u);
    EXPECT_EQ(lines_.lines[1], Line(row.status, row.code, "x"));
  }
  EXPECT_EQ(ReadFile(dst_ + "/x"), "old");
  EXPECT_EQ(Snapshot(dst_).size(), 1u) << "no temporary left behind";
  EXPECT_TRUE(platform::GetAttributes(src_ + "/x") & platform::attr::Archive) << "not marked as copied";

  const std::string now = ReadFile(src_ + "/x");
  EXPECT_EQ(RunLines(), (Lines{Line("File D.C .C..", 0, "x"), DirLine(1)}));
  EXPECT_EQ(ReadFile(dst_ + "/x"), now);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UntrueCopies,
    ::testing::Values(UntrueCopy{"DiskHoldsOtherBytesThanTheCache",
                                 [](CopyFaults& f, const std::string&) { f.diskDiffers = true; },
                                 "File D.C .CE. VERIFYERROR", 0},
                      UntrueCopy{"SourceEditedDuringItsCopyWithItsTimeSetBack",
                                 [](CopyFaults& f, const std::string&) {
                                   f.afterWrite = [](const std::string& path) {
                                     const auto time = MTime(path);
                                     WriteFile(path, "NEW CONTENT");
                                     SetMTime(path, time);
                                   };
                                 },
                                 "File D.C .CE. VERIFYERROR", 0},
                      UntrueCopy{"NoMemoryToCompare",
                                 [](CopyFaults& f, const std::string&) { f.readBackThrows = true; },
                                 "File D.C .C.R", ENOMEM},
                      UntrueCopy{"NoDescriptorToReadItBack",
                                 [](CopyFaults& f, const std::string&) { f.readBackError = EMFILE; },
                                 "File D.C .C..", EMFILE}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VerifyTest, DifferencesAreHintedOncePerLevelAndOnlyWithExtendedLog) {
  for (const char* p : {"/x1", "/x2"}) WriteFile(src_ + p, "content");
  faults_.diskDiffers = true;
  const platform::FileSystemScope scope(faults_);
  OneJob({"Verify=1"});
  const Lines lines = RunLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[2], DirLine(2));
  EXPECT_EQ(lines[3], kHint);
  // Without extended logging the failures keep their lines; no hint follows.
  settings_.extendedLog = false;
  EXPECT_EQ(Run(), RunResult::Failed);
  ASSERT_EQ(lines_.lines.size(), 4u);
  for (size_t i : {1, 2}) EXPECT_NE(lines_.lines[i].find(" VERIFYERROR code 0 "), std::string::npos);
  EXPECT_EQ(lines_.lines[3], DirLine(2));
}

}  // namespace
}  // namespace tandrel::test
