#include "config/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "testsupport/temp_dir.h"

namespace tandrel {
namespace {

class IniFileTest : public ::testing::Test {
 protected:
  test::ScopedTempDir dir_;
  std::string path_ = dir_ / "tandrel.cfg";
};

// Runs `write` and returns the message of the IniWriteError it throws.
template <typename Write>
std::string WriteErrorOf(Write&& write) {
  try {
    write();
  } catch (const IniWriteError& e) {
    return e.what();
  }
  return "<no error>";
}

TEST_F(IniFileTest, MissingFileReadsAsEmptyAndFirstWriteCreatesIt) {
  IniFile ini(path_);
  EXPECT_EQ(ini.ReadString("Synchronisation time", "Time", "  :  "), "  :  ");
  EXPECT_FALSE(ini.ReadBool("Log", "LogFile", false));
  EXPECT_TRUE(ini.ReadBool("Log", "LogFile", true));
  ini.DeleteKey("Log", "LogFile");
  ini.EraseSection("Log");
  EXPECT_FALSE(test::Exists(path_)) << "nothing to remove must not create the file";

  ini.WriteString("Synchronisation time", "Time", "22:30");
  ini.WriteBool("Synchronisation time", "Interval", false);
  ini.WriteBool("Log", "LogFile", true);
  EXPECT_EQ(test::ReadFile(path_),
            "[Synchronisation time]\r\nTime=22:30\r\nInterval=0\r\n\r\n[Log]\r\nLogFile=1\r\n");
  EXPECT_EQ(ini.ReadString("Synchronisation time", "Time", ""), "22:30");
  EXPECT_TRUE(ini.ReadBool("Log", "LogFile", false));
}

TEST_F(IniFileTest, EditsKeepOtherLinesAndReadBackExactly) {
  test::WriteFile(path_, "; hand-written\n[S]\na=1\n\n[T]\nx=y");
  IniFile ini(path_);
  ini.WriteString("S", "b", "  blanks both sides  ");
  ini.WriteString("S", "empty", "");
  ini.DeleteKey("S", "a");
  EXPECT_EQ(test::ReadFile(path_),
            "; hand-written\r\n[S]\r\nb=  blanks both sides  \r\nempty=\r\n\r\n[T]\r\nx=y\r\n");
  EXPECT_EQ(ini.ReadString("S", "b", ""), "  blanks both sides  ");
  EXPECT_EQ(ini.ReadString("S", "empty", "_error_"), "");
  EXPECT_EQ(ini.ReadString("S", "a", "_error_"), "_error_");
  ini.EraseSection("s");
  EXPECT_EQ(test::ReadFile(path_), "; hand-written\r\n[T]\r\nx=y\r\n");
}

TEST_F(IniFileTest, WriteThroughOneObjectIsSeenByAnother) {
  IniFile run(path_);
  IniFile dialog(path_);
  EXPECT_EQ(run.ReadString("Active Jobs", "0", "_error_"), "_error_");
  dialog.WriteString("Active Jobs", "0", "Documents");
  EXPECT_EQ(run.ReadString("Active Jobs", "0", "_error_"), "Documents");
  // Same length, so only the file's identity tells the versions apart.
  dialog.WriteString("Active Jobs", "0", "Documentz");
  EXPECT_EQ(run.ReadString("Active Jobs", "0", "_error_"), "Documentz");
  dialog.DeleteKey("Active Jobs", "0");
  EXPECT_EQ(run.ReadString("Active Jobs", "0", "_error_"), "_error_");

  // An edit in place by another program.
  test::WriteFile(path_, "[Active Jobs]\n0=Edited by hand\n");
  EXPECT_EQ(run.ReadString("Active Jobs", "0", "_error_"), "Edited by hand");
  std::remove(path_.c_str());
  EXPECT_EQ(run.ReadString("Active Jobs", "0", "_error_"), "_error_");
}

TEST_F(IniFileTest, ReadOnlyFileIsNeverChanged) {
  const std::string content = "[Documents]\r\nSource=C:\\Data\r\n";
  test::WriteFile(path_, content);
  ASSERT_EQ(::chmod(path_.c_str(), 0444), 0);
  IniFile ini(path_);
  const std::string expected = "Unable to write to " + path_;
  EXPECT_EQ(WriteErrorOf([&] { ini.WriteString("Documents", "Source", "D:\\"); }), expected);
  EXPECT_EQ(WriteErrorOf([&] { ini.WriteString("Documents", "Source", "C:\\Data"); }), expected);
  EXPECT_EQ(WriteErrorOf([&] { ini.WriteBool("Documents", "Verify", true); }), expected);
  EXPECT_EQ(WriteErrorOf([&] { ini.EraseSection("Documents"); }), expected);
  EXPECT_NO_THROW(ini.DeleteKey("Documents", "Source"));
  EXPECT_EQ(test::ReadFile(path_), content);
  EXPECT_EQ(ini.ReadString("Documents", "Source", ""), "C:\\Data");
  struct stat st;
  ASSERT_EQ(::stat(path_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0444u);
}

TEST_F(IniFileTest, UnwritablePlacesFailWithThePath) {
  const std::string noFolder = dir_ / "missing/tandrel.cfg";
  IniFile a(noFolder);
  EXPECT_EQ(WriteErrorOf([&] { a.WriteBool("Log", "LogFile", true); }), "Unable to write to " + noFolder);
  // A directory where the file should be reads as empty and is never replaced.
  test::MakeDir(dir_ / "folder.cfg");
  IniFile b(dir_ / "folder.cfg");
  EXPECT_EQ(b.ReadString("S", "k", "default"), "default");
  EXPECT_EQ(WriteErrorOf([&] { b.WriteString("S", "k", "v"); }), "Unable to write to " + dir_ / "folder.cfg");
  EXPECT_TRUE(test::Exists(dir_ / "folder.cfg/"));
  const std::runtime_error& asBase = IniWriteError("x");
  EXPECT_STREQ(asBase.what(), "Unable to write to x");
}

TEST_F(IniFileTest, BooleanForms) {
  struct Row {
    const char* text;
    int expected;  // 1 true, 0 false, -1 the caller's default
  };
  const Row rows[] = {
      {"1", 1},     {"2", 1},     {"-1", 1},    {"+7", 1},
      {"0x1", 1},   {"0X1f", 1},  {" 1\t", 1},  {"99999999999999999999", 1},
      {"0", 0},     {"-0", 0},    {"000", 0},   {"0x0", 0},
      {"0x", -1},   {"true", -1}, {"yes", -1},  {"", -1},
      {"1abc", -1}, {"1 2", -1},  {"0x1g", -1}, {"-0x1", -1},
      {"+", -1},    {" ", -1},
  };
  std::string content = "[B]\r\n";
  for (size_t i = 0; i < std::size(rows); ++i)
    content += "k" + std::to_string(i) + "=" + rows[i].text + "\r\n";
  test::WriteFile(path_, content);
  IniFile ini(path_);
  for (size_t i = 0; i < std::size(rows); ++i) {
    const std::string key = "k" + std::to_string(i);
    const bool whenFalse = ini.ReadBool("B", key, false);
    const bool whenTrue = ini.ReadBool("B", key, true);
    if (rows[i].expected < 0) {
      EXPECT_TRUE(!whenFalse && whenTrue) << '"' << rows[i].text << "\" must give the default";
    } else {
      EXPECT_EQ(whenFalse, rows[i].expected == 1) << '"' << rows[i].text << '"';
      EXPECT_EQ(whenTrue, rows[i].expected == 1) << '"' << rows[i].text << '"';
    }
  }
  EXPECT_TRUE(ini.ReadBool("B", "missing", true));
  EXPECT_FALSE(ini.ReadBool("Missing section", "k0", false));
}

TEST_F(IniFileTest, LongValuesAreCut) {
  const std::string exact(IniFile::kMaxValueLength, 'a');
  IniFile ini(path_);
  ini.WriteString("S", "exact", exact);
  ini.WriteString("S", "longer", exact + "bc");
  EXPECT_EQ(ini.ReadString("S", "exact", ""), exact);
  EXPECT_EQ(ini.ReadString("S", "longer", ""), exact);
  EXPECT_NE(test::ReadFile(path_).find(exact + "bc\r\n"), std::string::npos) << "the file keeps it whole";
}

TEST(IniFilePathTest, ExtensionReplacedOrAppended) {
  const std::pair<const char*, const char*> rows[] = {
      {"/opt/tandrel/tandrel", "/opt/tandrel/tandrel.cfg"},
      {"/opt/tandrel/Tandrel.exe", "/opt/tandrel/Tandrel.cfg"},
      {"/opt/v1.2/tandrel", "/opt/v1.2/tandrel.cfg"},
      {"/opt/a.b.c", "/opt/a.b.cfg"},
      {"/opt/.tandrel", "/opt/.tandrel.cfg"},
      {"/opt/tandrel.", "/opt/tandrel.cfg"},
      {"tandrel", "tandrel.cfg"},
      {"./build/tandrel", "./build/tandrel.cfg"},
  };
  for (const auto& [exe, cfg] : rows) EXPECT_EQ(IniFilePathFor(exe), cfg) << exe;
}

}  // namespace
}  // namespace tandrel
