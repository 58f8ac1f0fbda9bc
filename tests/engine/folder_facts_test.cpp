// A level's facts answer every question as the folder itself would, until
// the run changes a name; a search over them returns what a search over the
// folder returns; a reading shared with the second thread is done exactly
// once, by whichever side comes first.

#include "engine/folder_facts.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <stdexcept>

#include "engine/read_ahead.h"
#include "platform/entries.h"
#include "platform/folders.h"
#include "testsupport/temp_dir.h"

namespace tandrel::test {
namespace {

using platform::attr::Archive;

// A folder with every kind of entry a pass meets.
class FolderFactsTest : public ::testing::Test {
 protected:
  FolderFactsTest() {
    WriteFile(dir_ / "F/plain.txt", "plain");
    SetMTime(dir_ / "F/plain.txt", LocalTime(2026, 6, 1, 12, 0, 0));
    WriteFile(dir_ / "F/old.dat", "old");
    SetMTime(dir_ / "F/old.dat", LocalTime(1975, 1, 1, 0, 0, 0));
    WriteFile(dir_ / "F/clear.txt", "archive clear");
    EXPECT_EQ(platform::SetAttributes(dir_ / "F/clear.txt",
                                      platform::GetAttributes(dir_ / "F/clear.txt") & ~Archive),
              0);
    WriteFile(dir_ / "F/locked.txt", "read-only");
    MakeReadOnly(dir_ / "F/locked.txt");
    WriteFile(dir_ / "F/.hidden", "hidden");
    MakeDir(dir_ / "F/sub");
    EXPECT_EQ(::symlink("plain.txt", (dir_ / "F/link").c_str()), 0);
    EXPECT_EQ(::mkfifo((dir_ / "F/fifo").c_str(), 0644), 0);
    folder_ = platform::DirHandle(dir_ / "F");
  }

  // Every question about every name, as text.
  static std::vector<std::string> Answers(FolderFacts& facts) {
    std::vector<std::string> answers;
    for (const std::string name :
         {"plain.txt", "old.dat", "clear.txt", "locked.txt", ".hidden", "sub", "link", "fifo", "missing"}) {
      answers.push_back(name + " " + std::to_string(facts.FileAge(name)) + " " +
                        std::to_string(facts.FileExists(name)) + std::to_string(facts.DirectoryExists(name)) +
                        " " + std::to_string(facts.GetAttributes(name)));
    }
    return answers;
  }

  static std::vector<std::string> Found(FactsSearch& search) {
    std::vector<std::string> names;
    platform::FindEntry entry;
    while (search.Next(entry)) {
      names.push_back(entry.name + (entry.isDirectory ? "/d" : "") + (entry.isSystem ? "/s" : "") +
                      (entry.isHidden ? "/h" : ""));
    }
    return names;
  }

  ScopedTempDir dir_;
  platform::DirHandle folder_;
};

TEST_F(FolderFactsTest, EveryAnswerIsTheFoldersOwn) {
  FolderFacts off(folder_);
  const std::vector<std::string> own = Answers(off);
  ASSERT_EQ(own.size(), 9u);
  EXPECT_EQ(own[8], "missing -1 00 " + std::to_string(platform::kInvalidAttributes));

  FolderFacts listed(folder_);
  listed.Begin(true);
  listed.List();
  ASSERT_TRUE(listed.Listed());
  listed.LookAt({"plain.txt", "old.dat", "clear.txt", "sub", "missing"});
  EXPECT_EQ(Answers(listed), own) << "listed, some looked at beforehand";

  FolderFacts looked(folder_);
  looked.Begin(true);
  EXPECT_EQ(Answers(looked), own) << "one look per name, no listing";

  FolderFacts early(folder_);
  early.Begin(true);
  early.List();
  early.LookAt({"plain.txt", "old.dat", "clear.txt", "locked.txt", ".hidden", "link", "fifo"});
  // Every file was looked at beforehand: a later change is not seen.
  const int32_t age = early.FileAge("old.dat");
  SetMTime(dir_ / "F/old.dat", LocalTime(2026, 7, 1, 12, 0, 0));
  EXPECT_EQ(early.FileAge("old.dat"), age);
  SetMTime(dir_ / "F/old.dat", LocalTime(1975, 1, 1, 0, 0, 0));
  EXPECT_EQ(Answers(early), own) << "listed, every file looked at";
}

TEST_F(FolderFactsTest, AnswersComeFromTheFactsUntilTheRunChangesTheName) {
  FolderFacts facts(folder_);
  facts.Begin(true);
  facts.List();
  facts.LookAt({"plain.txt", "old.dat"});
  const int32_t before = facts.FileAge("plain.txt");
  // Changed behind the facts' back: they still tell what they read...
  SetMTime(dir_ / "F/plain.txt", LocalTime(2026, 7, 1, 12, 0, 0));
  ASSERT_EQ(::unlink((dir_ / "F/old.dat").c_str()), 0);
  WriteFile(dir_ / "F/new.txt", "new");
  EXPECT_EQ(facts.FileAge("plain.txt"), before);
  EXPECT_TRUE(facts.FileExists("old.dat"));
  EXPECT_FALSE(facts.FileExists("new.txt"));
  // ...until the run says it changed them.
  facts.Changed("plain.txt");
  facts.Changed("old.dat");
  facts.Changed("new.txt");
  EXPECT_EQ(facts.FileAge("plain.txt"), folder_.FileAge("plain.txt"));
  EXPECT_NE(facts.FileAge("plain.txt"), before);
  EXPECT_FALSE(facts.FileExists("old.dat"));
  EXPECT_TRUE(facts.FileExists("new.txt"));
  // Archive state written by the run.
  EXPECT_TRUE(facts.GetAttributes("locked.txt") & Archive);
  facts.Changed("clear.txt");
  ASSERT_EQ(
      platform::SetAttributes(dir_ / "F/clear.txt", platform::GetAttributes(dir_ / "F/clear.txt") | Archive),
      0);
  EXPECT_TRUE(facts.GetAttributes("clear.txt") & Archive);
}

TEST_F(FolderFactsTest, SearchesReturnWhatTheFolderReturns) {
  struct Row {
    const char* mask;
    uint32_t attributeSet;
  };
  const Row rows[] = {
      {"*", platform::attr::All},
      {"*.*", platform::attr::All},
      {"*.txt", platform::attr::ReadOnly | Archive},
      {"*", platform::attr::ReadOnly | platform::attr::Directory | Archive},
      {"?ld.*", 0},
      {"*", platform::attr::Hidden},
      {"*", platform::attr::System},
  };
  FolderFacts off(folder_);
  FolderFacts on(folder_);
  on.Begin(true);
  on.List();
  ASSERT_TRUE(on.ListingCurrent());
  for (const Row& row : rows) {
    FactsSearch plain(off, row.mask, row.attributeSet);
    FactsSearch fromFacts(on, row.mask, row.attributeSet);
    const std::vector<std::string> expected = Found(plain);
    EXPECT_EQ(Found(fromFacts), expected) << row.mask << " " << row.attributeSet;
    EXPECT_FALSE(expected.empty() && row.attributeSet == platform::attr::All);
  }
}

TEST_F(FolderFactsTest, AChangeSendsTheNextSearchToTheFolder) {
  FolderFacts facts(folder_);
  facts.Begin(true);
  facts.List();
  WriteFile(dir_ / "F/copied.txt", "written by the run");
  {
    FactsSearch search(facts, "copied.txt", platform::attr::All);
    EXPECT_TRUE(Found(search).empty()) << "the listing as read";
  }
  facts.Changed("copied.txt");
  EXPECT_FALSE(facts.ListingCurrent());
  FactsSearch search(facts, "copied.txt", platform::attr::All);
  EXPECT_EQ(Found(search), std::vector<std::string>{"copied.txt"});
}

TEST_F(FolderFactsTest, WithoutAnOpenFolderOrSwitchedOffNothingIsKept) {
  platform::DirHandle missing(dir_ / "nowhere");
  FolderFacts facts(missing);
  facts.Begin(true);
  EXPECT_FALSE(facts.on());
  facts.List();
  EXPECT_FALSE(facts.Listed());
  EXPECT_EQ(facts.FileAge("plain.txt"), -1);
  EXPECT_EQ(facts.GetAttributes("plain.txt"), platform::kInvalidAttributes);

  FolderFacts off(folder_);
  off.Begin(false);
  off.List();
  platform::FindEntry ghost;
  ghost.name = "ghost.txt";
  FolderFacts::Listing listing;
  listing.Add(ghost);
  off.Adopt(std::move(listing));
  EXPECT_FALSE(off.Listed());
  EXPECT_FALSE(off.FileExists("ghost.txt"));
  EXPECT_TRUE(off.FileExists("plain.txt"));
}

TEST(SharedReading, IsDoneOnceWhetherTheThreadOrTheWalkComesFirst) {
  std::atomic<int> runs{0};
  {
    SharedReading alone(nullptr, [&] { ++runs; });
    EXPECT_EQ(runs, 0) << "without a thread, done when settled";
    alone.Settle();
    EXPECT_EQ(runs, 1);
  }
  EXPECT_EQ(runs, 1) << "settled once";

  ReadAhead helper(true);
  constexpr int kReadings = 3000;
  int seen = 0;
  for (int i = 0; i < kReadings; ++i) {
    int value = 0;
    SharedReading reading(&helper, [&] {
      ++runs;
      value = i;
    });
    // The walk's own share in between, sometimes none.
    for (int spin = 0; spin < i % 50; ++spin) ++seen;
    reading.Settle();
    ASSERT_EQ(value, i) << "done, and its result visible, when settled";
  }
  EXPECT_EQ(runs, 1 + kReadings);
  EXPECT_GT(seen, 0);
}

TEST(SharedReading, AnErrorInsideIsReportedNotThrown) {
  ReadAhead helper(true);
  for (ReadAhead* who : {static_cast<ReadAhead*>(nullptr), &helper}) {
    for (int i = 0; i < 200; ++i) {
      SharedReading reading(who, [] { throw std::bad_alloc(); });
      reading.Settle();
      ASSERT_TRUE(reading.Failed());
    }
    SharedReading fine(who, [] {});
    fine.Settle();
    EXPECT_FALSE(fine.Failed());
  }
}

}  // namespace
}  // namespace tandrel::test
