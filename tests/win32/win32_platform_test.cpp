// What the Windows file system adds to the platform's contract: real
// attributes, the system's own error codes, sharing, long paths, locks
// between handles, and paths written with backslashes.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/copies.h"
#include "platform/entries.h"
#include "platform/error_codes.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide.h"
#include "testsupport/copy_road.h"
#include "testsupport/temp_dir.h"

namespace tandrel::platform {
namespace {

void SetAttributesOf(const std::string& path, DWORD attributes) {
  ASSERT_TRUE(::SetFileAttributesW(win32::LongPath(path).c_str(), attributes)) << path;
}

class Win32PlatformTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return JoinPath(dir_.path(), name); }
  test::ScopedTempDir dir_;
};

TEST_F(Win32PlatformTest, AttributesAreTheFilesOwnAndCopiesCarryThem) {
  struct Row {
    const char* name;
    DWORD attributes;
    bool hidden, system;
  };
  const Row rows[] = {
      {"plain.txt", FILE_ATTRIBUTE_ARCHIVE, false, false},
      {".dotted.txt", FILE_ATTRIBUTE_ARCHIVE, false, false},  // a dot hides nothing here
      {"hidden.txt", FILE_ATTRIBUTE_HIDDEN, true, false},
      {"system.txt", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY, false, true},
  };
  test::MakeDir(Path("copies"));
  const DirHandle top(dir_.path()), copies(Path("copies"));
  for (const Row& r : rows) {
    test::WriteFile(Path(r.name), r.name);
    test::SetMTime(Path(r.name), 1'000'000'000);
    SetAttributesOf(Path(r.name), r.attributes);
    const uint32_t got = top.GetAttributes(r.name);
    EXPECT_EQ((got & attr::Hidden) != 0, r.hidden) << r.name;
    EXPECT_EQ((got & attr::System) != 0, r.system) << r.name;
    EXPECT_EQ(test::CopyAsARun(top, r.name, copies, r.name), 0) << r.name;
    EXPECT_EQ(copies.GetAttributes(r.name) & (attr::ReadOnly | attr::Hidden | attr::System),
              got & (attr::ReadOnly | attr::Hidden | attr::System))
        << r.name;
    EXPECT_EQ(copies.FileAge(r.name), top.FileAge(r.name)) << r.name;
  }
  // A hidden destination is not replaced, as a read-only one is not.
  EXPECT_EQ(test::CopyAsARun(top, "plain.txt", copies, "hidden.txt"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(test::ReadFile(JoinPath(Path("copies"), "hidden.txt")), "hidden.txt");
  // A listing with no hidden or system files in its set leaves them out.
  DirSearch search(top, "*.txt", attr::ReadOnly | attr::Archive);
  std::vector<std::string> names;
  for (FindEntry e; search.Next(e);) names.push_back(e.name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".dotted.txt", "plain.txt"}));
}

TEST_F(Win32PlatformTest, ErrorsAreTheSystemsOwnCodes) {
  test::WriteFile(Path("full/a.txt"), "a");
  test::WriteFile(Path("held.txt"), "held");
  const DirHandle top(dir_.path());
  EXPECT_EQ(top.RemoveFolder("full"), ERROR_DIR_NOT_EMPTY);
  EXPECT_EQ(top.EntryError("missing.txt"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(DirHandle(Path("missing\\deeper")).error(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(DirHandle(top, "held.txt").error(), ERROR_DIRECTORY);
  // A name no Windows entry can have (Wine lists Linux names as they are) is
  // refused as a name: neither missing nor taken for a path or a pattern.
  EXPECT_EQ(top.EntryError("held*"), ERROR_INVALID_NAME);
  EXPECT_EQ(DirHandle(top, "full\\").error(), ERROR_INVALID_NAME);

  // A file another program holds without sharing is not copied.
  const HANDLE held = ::CreateFileW(win32::LongPath(Path("held.txt")).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(test::CopyAsARun(top, "held.txt", top, "copy.txt"), ERROR_SHARING_VIOLATION);
  ::CloseHandle(held);
  EXPECT_FALSE(top.FileExists("copy.txt"));
  EXPECT_EQ(test::CopyAsARun(top, "held.txt", top, "copy.txt"), 0);
}

TEST_F(Win32PlatformTest, PathsLongerThanTheOldLimitWork) {
  std::string deep = dir_.path();
  for (int i = 0; i < 6; ++i) deep = JoinPath(deep, std::string(60, static_cast<char>('a' + i)));
  ASSERT_GT(deep.size(), 300u);
  ASSERT_EQ(CreateDirectories(deep), 0);
  const DirHandle folder(deep);
  ASSERT_TRUE(folder.valid());
  test::WriteFile(Path("short.txt"), "short");
  EXPECT_EQ(test::CopyAsARun(DirHandle(dir_.path()), "short.txt", folder, "long.txt"), 0);
  FileReader reader(JoinPath(deep, "long.txt"));
  char text[8] = {};
  EXPECT_EQ(reader.ReadBlock(text, sizeof text), 5);
  EXPECT_STREQ(text, "short");
}

TEST_F(Win32PlatformTest, LocksAndLogFilesAreHeldAgainstOtherHandles) {
  const std::string config = Path("tandrel.cfg");
  {
    const RunLock first(config);
    ASSERT_TRUE(first.held());
    const RunLock second(config);
    EXPECT_FALSE(second.held());
    EXPECT_TRUE(second.busy());
    EXPECT_EQ(CurrentFileSystem().LookAtRunLock(config), RunLockState::Busy);
  }
  EXPECT_EQ(CurrentFileSystem().LookAtRunLock(config), RunLockState::Free);
  EXPECT_TRUE(RunLock(config).held());

  LogFile log;
  ASSERT_TRUE(log.Create(Path("run.log")));
  EXPECT_EQ(log.Write("line\r\n"), 0);
  LogFile other;
  EXPECT_FALSE(other.OpenToAppend(Path("run.log"))) << "a log is written by one run at a time";
  EXPECT_EQ(test::ReadFile(Path("run.log")), "line\r\n") << "others may read it meanwhile";
}

TEST_F(Win32PlatformTest, PathsUseBackslashesAndIgnoreLetterCase) {
  EXPECT_EQ(JoinPath("C:\\data", "a.txt"), "C:\\data\\a.txt");
  EXPECT_EQ(WithoutTrailingSeparator("C:\\"), "C:\\");
  EXPECT_EQ(WithTrailingSeparator("C:\\data"), "C:\\data\\");
  EXPECT_TRUE(PathInside("c:\\DATA\\sub", "C:\\data"));
  EXPECT_FALSE(PathInside("C:\\database", "C:\\data"));
  EXPECT_TRUE(FolderWithin(dir_.path(), dir_.path()));
}

TEST_F(Win32PlatformTest, AStaleTemporaryIsRemovedAndALiveOneIsNot) {
  const DirHandle top(dir_.path());
  const std::string stale = test::LeaveStaleTemporary(dir_.path());
  ASSERT_FALSE(stale.empty());
  EXPECT_TRUE(IsStaleTemporary(stale));
  EXPECT_EQ(top.RemoveStaleTemporary(stale), 0);
  const std::string mine = ".tandrel-" + std::to_string(::GetCurrentProcessId()) + ".0";
  EXPECT_FALSE(IsStaleTemporary(mine)) << "this process is alive";
}

// A pipe where the program expects a file of its own is never taken for
// one: a read or a write there would wait for the other end for ever.
TEST_F(Win32PlatformTest, APipeIsNeverTakenForAFileOfTheProgramsOwn) {
  const std::string name = "tandrel-test-" + std::to_string(::GetCurrentProcessId());
  const std::string pipe = "\\\\?\\pipe\\" + name;
  // A listening end for each time the program connects.
  std::vector<win32::UniqueHandle> ends;
  for (const std::string& end : {name, name, name, name + ".lock"}) {
    ends.emplace_back(::CreateNamedPipeW(win32::Wide("\\\\.\\pipe\\" + end).c_str(), PIPE_ACCESS_DUPLEX,
                                         PIPE_TYPE_BYTE, PIPE_UNLIMITED_INSTANCES, 0, 0, 0, nullptr));
    ASSERT_TRUE(ends.back().valid()) << end;
  }
  LogFile log;
  EXPECT_FALSE(log.OpenToAppend(pipe));
  EXPECT_FALSE(log.Create(pipe));
  EXPECT_TRUE(RunLock(pipe).held()) << "locked where no lock file can be made";
  std::string content;
  EXPECT_EQ(ReadWholeFile(pipe, content), kErrNotRegularFile);
}

}  // namespace
}  // namespace tandrel::platform
