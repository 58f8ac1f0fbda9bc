// Installed or portable: the marker beside tandrel.exe decides where a
// Windows copy keeps its files, with the user's real environment.

#include <windows.h>

#include <gtest/gtest.h>

#include "config/locations.h"
#include "testsupport/temp_dir.h"

namespace tandrel {
namespace {

// Sets a variable for the test's length (or removes it, for nullptr).
class ScopedVariable {
 public:
  ScopedVariable(const wchar_t* name, const wchar_t* value) : name_(name) {
    wchar_t buffer[MAX_PATH];
    const DWORD n = ::GetEnvironmentVariableW(name, buffer, MAX_PATH);
    had_ = n > 0 && n < MAX_PATH;
    if (had_) old_.assign(buffer, n);
    ::SetEnvironmentVariableW(name, value);
  }
  ~ScopedVariable() { ::SetEnvironmentVariableW(name_, had_ ? old_.c_str() : nullptr); }

 private:
  const wchar_t* name_;
  bool had_ = false;
  std::wstring old_;
};

TEST(InstalledCopy, TheMarkerMovesConfigurationAndLogsToTheUsersFolders) {
  test::ScopedTempDir dir;
  const std::string program = dir / "Tandrel\\tandrel.exe";
  test::WriteFile(program, "");
  struct Row {
    bool marker;
    const wchar_t* appData;  // nullptr: unset
    const char* config;      // "~" stands for the temporary folder
    const char* log;
  };
  const Row rows[] = {
      {false, L"C:\\Users\\ann\\AppData\\Roaming", "~Tandrel\\tandrel.cfg", "~Tandrel\\Log\\"},
      {true, L"\\\\srv\\profiles\\ann", "\\\\srv\\profiles\\ann\\Tandrel\\tandrel.cfg",
       "D:\\Local\\Tandrel\\Log\\"},
      {true, L"AppData", "C:\\Users\\ann\\AppData\\Roaming\\Tandrel\\tandrel.cfg",
       "D:\\Local\\Tandrel\\Log\\"},
      {true, nullptr, "C:\\Users\\ann\\AppData\\Roaming\\Tandrel\\tandrel.cfg", "D:\\Local\\Tandrel\\Log\\"},
  };
  const auto expand = [&](const std::string& text) {
    return text[0] == '~' ? dir.path() + text.substr(1) : text;
  };
  const ScopedVariable profile(L"USERPROFILE", L"C:\\Users\\ann");
  const ScopedVariable local(L"LOCALAPPDATA", L"D:\\Local");
  for (const Row& row : rows) {
    const ScopedVariable roaming(L"APPDATA", row.appData);
    if (row.marker) test::WriteFile(dir / ("Tandrel\\" + std::string(kInstalledMarker)), "");
    const FileLocations got = LocationsFor(program);
    EXPECT_EQ(got.configFile, expand(row.config));
    EXPECT_EQ(got.logFolder, expand(row.log));
    EXPECT_EQ(got.manual, dir / "Tandrel\\tandrel.html");
    EXPECT_EQ(got.perUser, row.marker);
  }
}

}  // namespace
}  // namespace tandrel
