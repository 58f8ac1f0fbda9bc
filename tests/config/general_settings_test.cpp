#include "config/general_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testsupport/temp_dir.h"

namespace tandrel {
namespace {

class GeneralSettingsTest : public ::testing::Test {
 protected:
  test::ScopedTempDir dir_;
  std::string path_ = dir_ / "tandrel.cfg";
  IniFile ini_{path_};
};

GeneralSettings Settings(std::string time, bool interval, bool logFile, bool extendedLog, bool appendLog,
                         bool multipleLog) {
  return {std::move(time), interval, logFile, extendedLog, appendLog, multipleLog};
}

TEST_F(GeneralSettingsTest, ReadsStoredValuesAndDefaults) {
  struct Row {
    const char* name;
    const char* content;
    GeneralSettings expected;
  };
  const std::vector<Row> rows = {
      {"no file", nullptr, Settings("  :  ", false, false, false, false, false)},
      {"all set",
       "[Synchronisation time]\nTime=22:30\nInterval=1\n[Log]\nLogFile=1\nExtendedLog=1\nAppendLog=1\n"
       "MultipleLog=1\n",
       Settings("22:30", true, true, true, true, true)},
      // The time is read as it stands; the dialog normalises it.
      {"loose time, hexadecimal and damaged switches",
       "[Synchronisation time]\nTime=930\nInterval=0x1\n[Log]\nLogFile=true\nAppendLog=2\n",
       Settings("930", true, false, false, true, false)},
      {"empty time", "[Synchronisation time]\nTime=\n", Settings("", false, false, false, false, false)},
      {"keys in the wrong section", "[Log]\nTime=12:00\n[Synchronisation time]\nLogFile=1\n",
       Settings("  :  ", false, false, false, false, false)},
  };
  for (const Row& r : rows) {
    if (r.content) test::WriteFile(path_, r.content);
    EXPECT_EQ(ReadGeneralSettings(ini_), r.expected) << r.name;
  }
}

TEST_F(GeneralSettingsTest, WritesAllSixInTheDialogsOrder) {
  WriteGeneralSettings(ini_, Settings("07:15", true, false, true, false, true));
  EXPECT_EQ(test::ReadFile(path_),
            "[Synchronisation time]\r\nTime=07:15\r\nInterval=1\r\n\r\n"
            "[Log]\r\nLogFile=0\r\nExtendedLog=1\r\nAppendLog=0\r\nMultipleLog=1\r\n");

  // Present keys keep their places; missing ones are added at their section's end.
  test::WriteFile(path_, "[Log]\r\nMultipleLog=0\r\nOther=x\r\n[Synchronisation time]\r\nInterval=0\r\n");
  WriteGeneralSettings(ini_, Settings("  :  ", false, true, false, false, true));
  EXPECT_EQ(test::ReadFile(path_),
            "[Log]\r\nMultipleLog=1\r\nOther=x\r\nLogFile=1\r\nExtendedLog=0\r\nAppendLog=0\r\n"
            "[Synchronisation time]\r\nInterval=0\r\nTime=  :  \r\n");
  EXPECT_EQ(ReadGeneralSettings(ini_), Settings("  :  ", false, true, false, false, true));
}

TEST_F(GeneralSettingsTest, TimeStepRunsOnceTheTimeIsStored) {
  std::vector<std::string> seen;
  WriteGeneralSettings(ini_, Settings("12:00", false, true, false, false, false),
                       [&] { seen.push_back(test::ReadFile(path_)); });
  EXPECT_EQ(seen, std::vector<std::string>{"[Synchronisation time]\r\nTime=12:00\r\n"});

  // A file that cannot be written stops at the first key: the step never runs.
  test::WriteFile(path_, "[Synchronisation time]\r\nTime=10:00\r\n");
  test::MakeReadOnly(path_);
  seen.clear();
  EXPECT_THROW(WriteGeneralSettings(ini_, Settings("11:00", false, false, false, false, false),
                                    [&] { seen.push_back("ran"); }),
               IniWriteError);
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(test::ReadFile(path_), "[Synchronisation time]\r\nTime=10:00\r\n");
}

}  // namespace
}  // namespace tandrel
