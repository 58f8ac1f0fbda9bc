// A client's archive marks say what reached the server, and a client file
// is deleted only as the server's copy and the file stand right now.

#include "platform/file_system.h"
#include "testsupport/copy_faults.h"
#include "testsupport/engine_fixture.h"

namespace tandrel::test {
namespace {

using platform::attr::Archive;
using Lines = std::vector<std::string>;

class ClientTest : public EngineFixture {
 protected:
  ClientTest() {
    settings_.extendedLog = true;
    // The server's folder is never empty here: an empty one refuses client jobs.
    WriteFile(dst_ + "/server.txt", "s");
    OneJob({"Handle As Client=1"});
  }
  static bool ArchiveSet(const std::string& path) { return platform::GetAttributes(path) & Archive; }
  std::string Line(const std::string& status, int code, const std::string& name) const {
    return status + " code " + std::to_string(code) + " " + src_ + "/" + name + " -> " + dst_ + "/" + name;
  }
  CopyFaults faults_{platform::RealFileSystem()};
};

TEST_F(ClientTest, AFileEditedDuringItsCopyIsReportedAndNotMarked) {
  WriteFile(src_ + "/a.txt", "first");
  faults_.afterWrite = [](const std::string& path) { WriteFile(path, "first, then edited"); };
  {
    const platform::FileSystemScope scope(faults_);
    EXPECT_EQ(Run(), RunResult::Failed);
  }
  EXPECT_EQ(lines_.lines[1], Line("File ..C .C..", platform::kErrChanged, "a.txt"));
  EXPECT_EQ(ReadFile(dst_ + "/a.txt"), "first") << "the copy holds what was read";
  EXPECT_TRUE(ArchiveSet(src_ + "/a.txt")) << "the edit is still to be sent";

  EXPECT_EQ(Run(), RunResult::Clean);
  EXPECT_EQ(ReadFile(dst_ + "/a.txt"), "first, then edited");
  EXPECT_FALSE(ArchiveSet(src_ + "/a.txt"));
}

TEST_F(ClientTest, AFileChangedAfterTheListingIsKeptNotDeleted) {
  // Marked as synchronised and gone from the server: the client would delete
  // it, but it is written to after its folder's facts were read.
  WriteFile(src_ + "/b.txt", "b");
  ASSERT_EQ(platform::SetAttributes(src_ + "/b.txt", platform::GetAttributes(src_ + "/b.txt") & ~Archive), 0);
  const std::string b = src_ + "/b.txt";
  bool edited = false;
  faults_.afterLook = [&edited, b](const std::string& path) {
    if (path != b || edited) return;
    edited = true;
    WriteFile(b, "b, edited");
  };
  const platform::FileSystemScope scope(faults_);
  EXPECT_EQ(Run(), RunResult::Clean);
  EXPECT_EQ(lines_.lines[1], Line("File ..C .C..", 0, "b.txt"));
  EXPECT_EQ(ReadFile(b), "b, edited");
  EXPECT_EQ(ReadFile(dst_ + "/b.txt"), "b, edited");
}

}  // namespace
}  // namespace tandrel::test
