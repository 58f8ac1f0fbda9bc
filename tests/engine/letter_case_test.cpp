// A destination that ignores letter case: two source names that differ only
// in case never take each other's place, and a name whose case changed in
// the source keeps its backup under the new spelling.

#include <cstdio>
#include <filesystem>

#include "platform/file_system.h"
#include "testsupport/case_blind.h"
#include "testsupport/engine_fixture.h"

namespace tandrel::test {
namespace {

using Lines = std::vector<std::string>;

class LetterCaseTest : public EngineFixture {
 protected:
  LetterCaseTest() {
    settings_.extendedLog = true;
    OneJob({"Include SubDirs=1", "Cleanup Destination=1"});
  }
  RunResult Run() {
    const platform::FileSystemScope scope(blind_);
    return EngineFixture::Run();
  }
  // Of two names in `folder`, the one its listing gives first.
  static std::string FirstListed(const std::string& folder, const std::string& a, const std::string& b) {
    platform::DirSearch search(folder + "/*", platform::attr::All);
    platform::FindEntry entry;
    while (search.Next(entry)) {
      if (entry.name == a || entry.name == b) return entry.name;
    }
    return {};
  }
  bool Logged(const std::string& line) const {
    const Lines& lines = lines_.lines;
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  bool LoggedPart(const std::string& part) const {
    for (const auto& line : lines_.lines) {
      if (line.find(part) != std::string::npos) return true;
    }
    return false;
  }

  // The files below `root` by their paths, with their content.
  static std::map<std::string, std::string> Files(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
      if (entry.is_regular_file()) files[entry.path().string().substr(root.size())] = ReadFile(entry.path());
    }
    return files;
  }

  CaseBlind blind_{platform::RealFileSystem()};
};

TEST_F(LetterCaseTest, TwinsLeaveTheFirstOfThemAloneAndFailTheRun) {
  WriteFile(src_ + "/A.txt", "upper");
  WriteFile(src_ + "/a.txt", "lower");
  WriteFile(src_ + "/Docs/x1.txt", "one");
  WriteFile(src_ + "/docs/x2.txt", "two");
  WriteFile(src_ + "/plain.txt", "plain");
  const std::string file = FirstListed(src_, "A.txt", "a.txt"), twin = file == "A.txt" ? "a.txt" : "A.txt";
  const std::string dir = FirstListed(src_, "Docs", "docs"), dirTwin = dir == "Docs" ? "docs" : "Docs";

  EXPECT_EQ(Run(), RunResult::Failed);
  const std::string reason =
      " has the same name in another letter case, which the destination does not tell apart";
  EXPECT_TRUE(Logged("File \"" + src_ + "/" + twin + "\" could not be copied: \"" + src_ + "/" + file + "\"" +
                     reason));
  EXPECT_TRUE(Logged("Dir \"" + src_ + "/" + dirTwin + "/\" could not be synchronised: \"" + src_ + "/" +
                     dir + "/\"" + reason));
  EXPECT_TRUE(Logged("File ... .C.. code " + std::to_string(platform::kErrExists) + " " + src_ + "/" + twin +
                     " -> " + dst_ + "/" + twin));
  std::map<std::string, std::string> expected = {{"/" + file, ReadFile(src_ + "/" + file)},
                                                 {"/plain.txt", "plain"}};
  for (const auto& [name, content] : Files(src_ + "/" + dir)) expected["/" + dir + name] = content;
  EXPECT_EQ(Files(dst_), expected);
  const auto after = Snapshot(dst_);

  // Nothing is copied again or cleaned up on account of the twins.
  EXPECT_EQ(Run(), RunResult::Failed);
  EXPECT_EQ(Snapshot(dst_), after);
  EXPECT_FALSE(LoggedPart("cleaned up"));
  EXPECT_EQ(engine_.Counts().copied, 0);
}

TEST_F(LetterCaseTest, ACaseOnlyRenameKeepsTheBackupUnderTheNewSpelling) {
  WriteFile(src_ + "/Photos/p1.jpg", "p1");
  WriteFile(src_ + "/Readme.txt", "read me");
  ASSERT_EQ(Run(), RunResult::Clean);
  ASSERT_EQ(std::rename((src_ + "/Photos").c_str(), (src_ + "/photos").c_str()), 0);
  ASSERT_EQ(std::rename((src_ + "/Readme.txt").c_str(), (src_ + "/README.TXT").c_str()), 0);

  EXPECT_EQ(Run(), RunResult::Clean);
  EXPECT_TRUE(Logged("Renamed \"" + dst_ + "/Photos\" to \"" + dst_ + "/photos\""));
  EXPECT_TRUE(Logged("Renamed \"" + dst_ + "/Readme.txt\" to \"" + dst_ + "/README.TXT\""));
  EXPECT_FALSE(LoggedPart("cleaned up"));
  EXPECT_EQ(engine_.Counts(), (RunCounts{}));
  EXPECT_EQ(Files(dst_),
            (std::map<std::string, std::string>{{"/README.TXT", "read me"}, {"/photos/p1.jpg", "p1"}}));
}

}  // namespace
}  // namespace tandrel::test
