// The preview's plan: changes answered as made, nothing on disk touched.

#include <gtest/gtest.h>

#include <thread>

#include "platform/entries.h"
#include "platform/error_codes.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/preview/preview_scope.h"
#include "testsupport/copy_road.h"
#include "testsupport/temp_dir.h"

namespace tandrel::platform {
namespace {

using test::ScopedTempDir;
using test::Snapshot;
using test::WriteFile;

std::vector<std::string> Names(const DirHandle& dir) {
  std::vector<std::string> names;
  DirSearch search(dir, "*", attr::All);
  FindEntry entry;
  while (search.Next(entry)) names.push_back(entry.name + (entry.isDirectory ? "/" : ""));
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadAll(FileReader& reader) {
  std::string bytes(64, '\0');
  const int64_t n = reader.ReadBlock(bytes.data(), bytes.size());
  return n < 0 ? "<error>" : bytes.substr(0, static_cast<size_t>(n));
}

class PreviewPlanTest : public ::testing::Test {
 protected:
  PreviewPlanTest() {
    WriteFile(dir_ / "S/a.txt", "alpha");
    WriteFile(dir_ / "S/ro.txt", "read-only");
    test::MakeReadOnly(dir_ / "S/ro.txt");
    WriteFile(dir_ / "D/old.txt", "old");
    test::MakeDir(dir_ / "D/empty");
    before_ = Snapshot(dir_.path());
  }
  ~PreviewPlanTest() override {
    EXPECT_EQ(Snapshot(dir_.path()), before_) << "the plan reached the disk";
    test::MakeWritable(dir_ / "S/ro.txt");
  }

  ScopedTempDir dir_;
  std::map<std::string, std::string> before_;
};

TEST_F(PreviewPlanTest, PlannedFoldersAndCopiesAnswerAsIfMade) {
  const PreviewScope preview;
  ASSERT_EQ(CreateDirectories(dir_ / "D/new/deeper"), 0);
  EXPECT_TRUE(DirectoryExists(dir_ / "D/new/deeper"));
  const DirHandle source(dir_ / "S");
  const DirHandle deeper(dir_ / "D/new/deeper");
  ASSERT_TRUE(deeper.valid());
  ASSERT_EQ(test::CopyAsARun(source, "a.txt", deeper, "a.txt"), 0);
  ASSERT_EQ(test::CopyAsARun(source, "ro.txt", deeper, "ro.txt"), 0);

  // The copies have the source's age and attributes and read as it does.
  EXPECT_EQ(deeper.FileAge("a.txt"), source.FileAge("a.txt"));
  EXPECT_EQ(deeper.GetAttributes("ro.txt"), source.GetAttributes("ro.txt"));
  EXPECT_EQ(Names(deeper), (std::vector<std::string>{"a.txt", "ro.txt"}));
  EXPECT_EQ(Names(DirHandle(dir_ / "D")), (std::vector<std::string>{"empty/", "new/", "old.txt"}));
  FileReader copy(deeper, "a.txt");
  EXPECT_EQ(ReadAll(copy), "alpha");

  // A read-only copy is protected like a real one; a folder with a planned
  // file in it is not empty.
  EXPECT_EQ(deeper.RemoveFile("ro.txt"), kErrAccessDenied);
  EXPECT_EQ(test::CopyAsARun(source, "a.txt", deeper, "ro.txt"), kErrAccessDenied);
  EXPECT_EQ(DirHandle(dir_ / "D/new").RemoveFolder("deeper"), 39);  // ENOTEMPTY
  EXPECT_EQ(deeper.RemoveFile("a.txt"), 0);
  EXPECT_FALSE(deeper.FileExists("a.txt"));
  EXPECT_EQ(deeper.FileAge("a.txt"), -1);
}

TEST_F(PreviewPlanTest, DeletionsAndRemovalsHideRealEntries) {
  const PreviewScope preview;
  const DirHandle dest(dir_ / "D");
  EXPECT_EQ(dest.RemoveFolder("old.txt"), 20);  // ENOTDIR
  EXPECT_EQ(dest.RemoveFile("old.txt"), 0);
  EXPECT_EQ(dest.RemoveFile("old.txt"), kErrNotFound);
  EXPECT_EQ(dest.RemoveFolder("empty"), 0);
  EXPECT_EQ(DirHandle(dest, "empty").error(), kErrNotFound);
  EXPECT_TRUE(Names(dest).empty());
  EXPECT_EQ(DirHandle(dir_ / "S").RemoveFile("ro.txt"), kErrAccessDenied);

  // The folder's own removal is then possible, and a copy may take the
  // place of what was removed.
  EXPECT_EQ(DirHandle(dir_.path()).RemoveFolder("D"), 0);
  EXPECT_FALSE(DirectoryExists(dir_ / "D"));
  EXPECT_EQ(test::CopyAsARun(DirHandle(dir_ / "S"), "a.txt", dest, "a.txt"), kErrNotFound);
}

TEST_F(PreviewPlanTest, AttributesChangeOnlyInThePlan) {
  const PreviewScope preview;
  const DirHandle source(dir_ / "S");
  const uint32_t was = source.GetAttributes("a.txt");
  ASSERT_EQ(source.SetAttributes("a.txt", was & ~attr::Archive), 0);
  EXPECT_EQ(source.GetAttributes("a.txt"), was & ~attr::Archive);
  {
    // A scope inside starts from the real tree again.
    const PreviewScope inner;
    EXPECT_EQ(DirHandle(dir_ / "S").GetAttributes("a.txt"), was);
  }
  EXPECT_EQ(source.GetAttributes("a.txt"), was & ~attr::Archive);
  // Another thread is not previewing: it sees the real file.
  uint32_t seen = 0;
  std::thread([&] { seen = GetAttributes(dir_ / "S/a.txt"); }).join();
  EXPECT_EQ(seen, was);
}

TEST_F(PreviewPlanTest, NothingIsWrittenNorLocked) {
  const PreviewScope preview;
  EXPECT_NE(WriteFileAtomic(dir_ / "S/a.txt", "changed"), 0);
  LogFile log;
  EXPECT_FALSE(log.Create(dir_ / "S/a.txt"));
  EXPECT_FALSE(log.OpenToAppend(dir_ / "S/a.txt"));
  EnsureDirectory(dir_ / "Log");
  EXPECT_FALSE(DirectoryExists(dir_ / "Log"));
  const RunLock lock(dir_ / "tandrel.cfg");
  EXPECT_FALSE(lock.held());
  EXPECT_FALSE(lock.busy());
}

}  // namespace
}  // namespace tandrel::platform
