#pragma once
// The process, its user's folders, the locale and the local clock.

#include <cstdint>
#include <ctime>
#include <string>

namespace tandrel::platform {

// ---- Process and locale ---------------------------------------------------

std::string ExecutablePath();  // full path of the running executable
// The system's own text for one of its error codes, without a final full stop.
std::string ErrorText(int error);

// Where a user's files go: the home folder (HOME, or the password database's
// entry when HOME is unset or not absolute) and the XDG base folders when the
// environment gives them as absolute paths (empty otherwise). On Windows:
// USERPROFILE, APPDATA and LOCALAPPDATA, each only when absolute.
struct UserFolderSettings {
  std::string home;
  std::string configHome;  // XDG_CONFIG_HOME; APPDATA on Windows
  std::string stateHome;   // XDG_STATE_HOME; LOCALAPPDATA on Windows
};
UserFolderSettings UserFolders();

void InitLocale();  // adopt the user's locale (once, at start)
std::string UpperCaseLocale(const std::string& text);
// A name with its letter case folded as file systems that ignore case fold
// it (Unicode's simple upper case, whatever the user's locale): two names
// such a file system takes for one fold to the same text.
std::string FoldCase(const std::string& name);

// ---- Local time -------------------------------------------------------------

// The local calendar time of `t`, with the zone's rules in force at `t`; all
// fields zero when it cannot be converted.
std::tm LocalTime(std::time_t t);
// The seconds since 1970 of the calendar fields of `t` read as UTC (fields out
// of range carry over; the zone and tm_isdst are ignored). Subtracting two of
// these measures the distance between two wall-clock readings.
int64_t SecondsAsUtc(const std::tm& t);

}  // namespace tandrel::platform
