// What every file system behind platform.h must answer, written against the
// interface alone: the platform's own and the preview over it. The trees are
// made with the standard library before each test; everything asked and
// changed afterwards goes through the interface, so a preview answers from
// its plan exactly as the real file system answers from the disk.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "platform/copies.h"
#include "platform/entries.h"
#include "platform/error_codes.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "platform/preview/preview_scope.h"
#include "testsupport/copy_road.h"
#include "testsupport/temp_dir.h"

namespace tandrel::platform {
namespace {

namespace fs = std::filesystem;

enum class Kind { Real, Preview };

class ContractTest : public ::testing::TestWithParam<Kind> {
 protected:
  // The tree every test starts from.
  ContractTest() {
    fs::create_directories(Path("top/sub"));
    Write("top/a.txt", "alpha");
    Write("top/.dot", "hidden");
    Write("top/ro.txt", "read-only");
    fs::permissions(Path("top/ro.txt"),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    test::MakeHidden(Path("top/.dot"));
    links_ = test::MakeFolderLink(Path("top/sub"), Path("top/link"));
    if (GetParam() == Kind::Preview) preview_ = std::make_unique<PreviewScope>();
  }
  ~ContractTest() override {
    preview_.reset();
    fs::permissions(Path("top/ro.txt"), fs::perms::owner_write, fs::perm_options::add);
  }

  std::string Path(const std::string& relative) const { return JoinPath(dir_.path(), relative); }
  void Write(const std::string& relative, const std::string& text) const {
    std::ofstream(Path(relative), std::ios::binary) << text;
  }
  static std::vector<std::string> Names(const DirHandle& folder, const std::string& mask, uint32_t set) {
    std::vector<std::string> names;
    DirSearch search(folder, mask, set);
    FindEntry entry;
    while (search.Next(entry)) names.push_back(entry.name + (entry.isDirectory ? "/" : ""));
    std::sort(names.begin(), names.end());
    return names;
  }
  static std::string Content(const DirHandle& folder, const std::string& name) {
    FileReader reader(folder, name);
    std::string bytes(64, '\0');
    const int64_t n = reader.ReadBlock(bytes.data(), bytes.size());
    return n < 0 ? "<" + std::to_string(reader.error()) + ">" : bytes.substr(0, static_cast<size_t>(n));
  }

  test::ScopedTempDir dir_;
  bool links_ = false;  // whether the tree holds its link
  std::unique_ptr<PreviewScope> preview_;
};

TEST_P(ContractTest, EntriesAreToldApartAndLinksNeverFollowed) {
  const DirHandle top(Path("top"));
  ASSERT_TRUE(top.valid());
  EXPECT_TRUE(top.FileExists("a.txt"));
  EXPECT_TRUE(top.DirectoryExists("sub"));
  EXPECT_EQ(top.EntryError("missing"), kErrNotFound);
  EXPECT_NE(top.FileAge("a.txt"), -1);
  for (const char* noFile : {"sub", "missing"}) EXPECT_EQ(top.FileAge(noFile), -1) << noFile;
  EXPECT_EQ(top.GetAttributes("sub") & (attr::Directory | attr::System), attr::Directory);
  if (links_) {
    EXPECT_FALSE(top.DirectoryExists("link")) << "a link to a folder is no folder";
    EXPECT_EQ(top.EntryError("link"), 0);
    EXPECT_EQ(top.FileAge("link"), -1);
    EXPECT_EQ(top.GetAttributes("link") & (attr::Directory | attr::System), attr::System);
    EXPECT_EQ(DirHandle(top, "link").error(), kErrNotADirectory);
    EXPECT_TRUE(DirHandle(Path("top/link")).valid()) << "a folder named by its path may be a link";
  }
  EXPECT_TRUE(top.GetAttributes(".dot") & attr::Hidden);
  EXPECT_TRUE(top.GetAttributes("ro.txt") & attr::ReadOnly);
  int error = 0;
  EXPECT_EQ(top.GetAttributes("missing", &error), kInvalidAttributes);
  EXPECT_EQ(error, kErrNotFound);

  EXPECT_EQ(DirHandle(top, "missing").error(), kErrNotFound);
  // An invalid folder answers as if empty and refuses with its own error.
  const DirHandle gone(top, "missing");
  EXPECT_FALSE(gone.FileExists("a.txt"));
  EXPECT_EQ(gone.MakeFolder("x"), kErrNotFound);
  EXPECT_EQ(DirSearch(gone, "*", attr::All).error(), kErrNotFound);
}

TEST_P(ContractTest, ListingsFollowMaskAndAttributeSet) {
  const DirHandle top(Path("top"));
  std::vector<std::string> all{".dot", "a.txt", "ro.txt", "sub/"};
  if (links_) all.insert(all.begin() + 2, "link");
  EXPECT_EQ(Names(top, "*", attr::All), all);
  EXPECT_EQ(Names(top, "*.*", attr::ReadOnly | attr::Archive), (std::vector<std::string>{"a.txt", "ro.txt"}));
  EXPECT_EQ(Names(top, "*.TXT", attr::Directory), (std::vector<std::string>{"a.txt", "ro.txt"}));
  EXPECT_EQ(Names(top, "s?b", attr::Directory), (std::vector<std::string>{"sub/"}));
}

TEST_P(ContractTest, AFolderIsListedWholeHoweverItsSearchesOverlap) {
  // Enough entries that a listing is read in several blocks.
  for (int i = 0; i < 1500; ++i) Write("top/sub/an-entry-with-a-longer-name-" + std::to_string(i), "");
  const DirHandle sub(Path("top/sub"));
  const std::vector<std::string> whole = Names(sub, "*", attr::All);
  ASSERT_EQ(whole.size(), 1500u);
  FindEntry entry;
  {
    DirSearch dropped(sub, "*", attr::All);
    for (int i = 0; i < 700; ++i) ASSERT_TRUE(dropped.Next(entry));
  }
  EXPECT_EQ(Names(sub, "*", attr::All), whole) << "after a search left halfway";
  const DirHandle copy = sub.Duplicate();
  DirSearch outer(sub, "*", attr::All);
  std::vector<std::string> names;
  for (int i = 0; i < 700 && outer.Next(entry); ++i) names.push_back(entry.name);
  EXPECT_EQ(Names(sub, "*", attr::All), whole) << "inside another search";
  EXPECT_EQ(Names(copy, "*", attr::All), whole) << "a duplicate, inside a search";
  while (outer.Next(entry)) names.push_back(entry.name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, whole) << "around the others";
}

TEST_P(ContractTest, ChangesAreSeenAsMadeAndRefusalsChangeNothing) {
  const DirHandle top(Path("top"));
  EXPECT_EQ(top.MakeFolder("new"), 0);
  EXPECT_EQ(top.MakeFolder("new"), kErrExists);
  {
    // Closed before its folder is removed, as a run closes a folder first.
    const DirHandle created(top, "new");
    ASSERT_TRUE(created.valid());

    // A copy carries content, age and read-only state; it refuses to replace
    // a read-only file or a folder, and replaces a link itself.
    EXPECT_EQ(test::CopyAsARun(top, "a.txt", created, "a.txt"), 0);
    EXPECT_EQ(Content(created, "a.txt"), "alpha");
    EXPECT_EQ(created.FileAge("a.txt"), top.FileAge("a.txt"));
    EXPECT_EQ(test::CopyAsARun(top, "ro.txt", created, "ro.txt"), 0);
    EXPECT_TRUE(created.GetAttributes("ro.txt") & attr::ReadOnly);
    EXPECT_EQ(test::CopyAsARun(top, "a.txt", created, "ro.txt"), kErrAccessDenied);
    EXPECT_EQ(Content(created, "ro.txt"), "read-only");
    EXPECT_EQ(test::CopyAsARun(top, "a.txt", top, "sub"), kErrAccessDenied);
    if (links_) {
      EXPECT_EQ(test::CopyAsARun(top, "a.txt", top, "link"), 0);
      EXPECT_TRUE(top.FileExists("link"));
      EXPECT_FALSE(DirHandle(top, "sub").FileExists("a.txt")) << "the link's target is untouched";
    }
    EXPECT_EQ(test::CopyAsARun(top, "missing", created, "x"), kErrNotFound);

    // Read-only files and folders are not deleted as files; a folder that
    // holds something is not removed.
    EXPECT_EQ(created.RemoveFile("ro.txt"), kErrAccessDenied);
    EXPECT_EQ(top.RemoveFile("sub"), kErrAccessDenied);
    EXPECT_EQ(top.RemoveFolder("new"), kErrNotEmpty);
    EXPECT_EQ(created.RemoveFile("a.txt"), 0);
    EXPECT_EQ(created.RemoveFile("a.txt"), kErrNotFound);
    EXPECT_EQ(created.SetAttributes("ro.txt", 0), 0);
    EXPECT_EQ(created.RemoveFile("ro.txt"), 0);
  }
  EXPECT_EQ(top.RemoveFolder("new"), 0);
  EXPECT_FALSE(top.DirectoryExists("new"));
  EXPECT_EQ(top.RemoveFolder("a.txt"), kErrNotADirectory);
}

TEST_P(ContractTest, ACopyIsNamedOnlyOverTheEntryItWasPreparedOver) {
  const DirHandle top(Path("top"));
  ASSERT_EQ(top.MakeFolder("to"), 0);
  const DirHandle to(top, "to");
  ASSERT_EQ(test::CopyAsARun(top, "a.txt", to, "over"), 0);
  ASSERT_EQ(test::CopyAsARun(top, "a.txt", to, "kept"), 0);
  int error = 0;
  const auto prepare = [&](const std::string& name) {
    PendingCopy copy = PrepareCopy(top, "ro.txt", to, name, false, {}, error);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(FlushCopies({&copy}), 0);
    return copy;
  };
  PendingCopy intoNothing = prepare("new");
  PendingCopy overAFile = prepare("over");
  PendingCopy overTheSame = prepare("kept");
  // Meanwhile another program makes "new" and saves "over" anew.
  ASSERT_EQ(test::CopyAsARun(top, "a.txt", to, "new"), 0);
  ASSERT_EQ(test::CopyAsARun(top, "a.txt", to, "over"), 0);
  EXPECT_EQ(intoNothing.Publish(), kErrExists);
  EXPECT_EQ(overAFile.Publish(), kErrChanged);
  EXPECT_EQ(Content(to, "new"), "alpha");
  EXPECT_EQ(Content(to, "over"), "alpha");
  {
    // Let go once named, as a run lets its copies go.
    PendingCopy named = std::move(overTheSame);
    EXPECT_EQ(named.Publish(), 0);
  }
  EXPECT_EQ(Content(to, "kept"), "read-only");
}

TEST_P(ContractTest, AttributesTakeReadOnlyAndArchiveOnly) {
  const DirHandle top(Path("top"));
  const uint32_t was = top.GetAttributes("a.txt");
  ASSERT_NE(was, kInvalidAttributes);
  EXPECT_EQ(top.SetAttributes("a.txt", attr::ReadOnly | attr::Hidden | attr::System), 0);
  EXPECT_EQ(top.GetAttributes("a.txt") & (attr::ReadOnly | attr::Hidden | attr::System), attr::ReadOnly);
  EXPECT_EQ(top.SetAttributes("a.txt", was), 0);
  EXPECT_EQ(top.GetAttributes("a.txt"), was);
  if (links_) {
    EXPECT_EQ(top.SetAttributes("link", was), kErrAccessDenied);
  }
  EXPECT_EQ(top.SetAttributes("sub", attr::ReadOnly), 0) << "a folder takes neither";
  EXPECT_FALSE(top.GetAttributes("sub") & attr::ReadOnly);
}

INSTANTIATE_TEST_SUITE_P(FileSystems, ContractTest, ::testing::Values(Kind::Real, Kind::Preview),
                         [](const ::testing::TestParamInfo<Kind>& info) {
                           return info.param == Kind::Real ? std::string("Real") : std::string("Preview");
                         });

}  // namespace
}  // namespace tandrel::platform
