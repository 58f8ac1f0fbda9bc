// Local time, ages and the user's folders.

#include <windows.h>

#include <cstdlib>
#include <ctime>

#include "platform/entries.h"
#include "platform/process.h"
#include "platform/win32/wide.h"

namespace tandrel::platform {

std::tm LocalTime(std::time_t t) {
  std::tm tm{};
  if (::localtime_s(&tm, &t) != 0) tm = std::tm{};
  return tm;
}

int64_t SecondsAsUtc(const std::tm& t) {
  std::tm copy = t;  // normalised as it is read
  return static_cast<int64_t>(::_mkgmtime(&copy));
}

long UtcOffsetNow() {
  // Every listed file asks; the system's conversion is made once a second,
  // as it converts file times.
  static thread_local int64_t cachedSecond = -1;
  static thread_local long offset = 0;
  FILETIME utc, local;
  ::GetSystemTimeAsFileTime(&utc);
  const int64_t u = static_cast<int64_t>((uint64_t{utc.dwHighDateTime} << 32) | utc.dwLowDateTime);
  if (u / 10000000 == cachedSecond) return offset;
  if (!::FileTimeToLocalFileTime(&utc, &local)) return 0;
  const int64_t l = static_cast<int64_t>((uint64_t{local.dwHighDateTime} << 32) | local.dwLowDateTime);
  cachedSecond = u / 10000000;
  offset = static_cast<long>((l - u) / 10000000);
  return offset;
}

// Hidden is an attribute of its own here, never a matter of the name.
bool IsHiddenName(const std::string&) { return false; }

namespace {

// The variable's value when it is an absolute path ("C:\..." or a share);
// the system sets these three for every log-on, services included.
std::string AbsoluteFromEnvironment(const wchar_t* name) {
  wchar_t buffer[MAX_PATH];
  const DWORD n = ::GetEnvironmentVariableW(name, buffer, MAX_PATH);
  if (n < 3 || n >= MAX_PATH) return {};
  const bool absolute = (buffer[1] == L':' && (buffer[2] == L'\\' || buffer[2] == L'/')) ||
                        (buffer[0] == L'\\' && buffer[1] == L'\\');
  return absolute ? win32::Narrow(buffer, n) : std::string();
}

}  // namespace

UserFolderSettings UserFolders() {
  UserFolderSettings folders;
  folders.home = AbsoluteFromEnvironment(L"USERPROFILE");
  folders.configHome = AbsoluteFromEnvironment(L"APPDATA");
  folders.stateHome = AbsoluteFromEnvironment(L"LOCALAPPDATA");
  return folders;
}

}  // namespace tandrel::platform
