#include "testsupport/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/folders.h"
#include "platform/paths.h"

namespace fs = std::filesystem;

namespace tandrel::test {

void WriteFile(const std::string& path, const std::string& content) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) {
    ADD_FAILURE() << "cannot write " << path;
  }
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void MakeDir(const std::string& path) { fs::create_directories(path); }

std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

int64_t AgeAt(const std::string& path) {
  return platform::DirHandle(platform::ParentFolder(path)).FileAge(platform::LastComponent(path));
}

bool FileAt(const std::string& path) {
  return platform::DirHandle(platform::ParentFolder(path)).FileExists(platform::LastComponent(path));
}

}  // namespace tandrel::test
