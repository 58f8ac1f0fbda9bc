#include "config/locations.h"

#include <gtest/gtest.h>

namespace tandrel {
namespace {

TEST(Locations, BesideTheProgramEverythingSharesItsName) {
  struct Row {
    const char* program;
    FileLocations expected;
  };
  const Row rows[] = {
      {"/opt/tools/tandrel", {"/opt/tools/tandrel.cfg", "/opt/tools/Log/", "/opt/tools/tandrel.html"}},
      {"/opt/tools/Tandrel.exe", {"/opt/tools/Tandrel.cfg", "/opt/tools/Log/", "/opt/tools/Tandrel.html"}},
      {"/opt/v1.2/tandrel", {"/opt/v1.2/tandrel.cfg", "/opt/v1.2/Log/", "/opt/v1.2/tandrel.html"}},
      {"/opt/.tandrel", {"/opt/.tandrel.cfg", "/opt/Log/", "/opt/.tandrel.html"}},
  };
  for (const Row& row : rows) {
    const FileLocations got = LocationsBesideProgram(row.program);
    EXPECT_EQ(got.configFile, row.expected.configFile) << row.program;
    EXPECT_EQ(got.logFolder, row.expected.logFolder) << row.program;
    EXPECT_EQ(got.manual, row.expected.manual) << row.program;
  }
}

TEST(Locations, PerUserTheBaseFoldersDecide) {
  struct Row {
    platform::UserFolderSettings user;
    const char* config;
    const char* log;
  };
  const Row rows[] = {
      {{"/home/ann", "", ""}, "/home/ann/.config/tandrel/tandrel.cfg", "/home/ann/.local/state/tandrel/Log/"},
      {{"/home/ann", "/cfg", ""}, "/cfg/tandrel/tandrel.cfg", "/home/ann/.local/state/tandrel/Log/"},
      {{"/home/ann", "", "/state"}, "/home/ann/.config/tandrel/tandrel.cfg", "/state/tandrel/Log/"},
      {{"/home/ann", "/cfg", "/state"}, "/cfg/tandrel/tandrel.cfg", "/state/tandrel/Log/"},
  };
  for (const Row& row : rows) {
    const FileLocations got = LocationsPerUser(row.user, "/usr/share/doc/tandrel");
    EXPECT_EQ(got.configFile, row.config);
    EXPECT_EQ(got.logFolder, row.log);
    EXPECT_EQ(got.manual, "/usr/share/doc/tandrel/manual.html");
  }
}

}  // namespace
}  // namespace tandrel
