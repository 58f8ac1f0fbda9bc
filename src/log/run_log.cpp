#include "log/run_log.h"

#include <cstdio>
#include <cstdlib>

#include "platform/entries.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "platform/process.h"

namespace tandrel {

std::string LogFileName(bool multipleLog, std::time_t now) {
  if (!multipleLog) return "Tandrel.log";
  const std::tm tm = platform::LocalTime(now);
  char name[32];
  std::snprintf(name, sizeof name, "tl%02d%02d%02d.log", tm.tm_year % 100, tm.tm_mon + 1, tm.tm_mday);
  return name;
}

long WholeDaysApart(std::time_t a, std::time_t b) {
  // Reading both local date-times as if they were UTC measures the distance
  // between the wall-clock values, as the user sees them, across DST changes.
  const long long la = platform::SecondsAsUtc(platform::LocalTime(a));
  const long long lb = platform::SecondsAsUtc(platform::LocalTime(b));
  return static_cast<long>(std::llabs(la - lb) / 86400);
}

void PurgeLogFolder(const std::string& folder, std::time_t now) {
  const platform::DirHandle logs(folder);
  platform::DirSearch search(logs, "*.*", platform::attr::ReadOnly | platform::attr::Archive);
  platform::FindEntry entry;
  while (search.Next(entry)) {
    if (entry.isHidden || entry.isSystem || entry.isDirectory) continue;
    const platform::EntryFacts facts = logs.LookAt(entry.name);
    if (!facts.exists()) continue;  // vanished meanwhile
    if (WholeDaysApart(now, static_cast<std::time_t>(facts.writeTime)) > 300) logs.RemoveFile(entry.name);
  }
}

std::string RunDateTime(std::time_t t) {
  const std::tm tm = platform::LocalTime(t);
  char text[32];
  std::snprintf(text, sizeof text, "%02d-%02d-%02d  %02d:%02d", tm.tm_year % 100, tm.tm_mon + 1, tm.tm_mday,
                tm.tm_hour, tm.tm_min);
  return text;
}

std::string StartLine(std::time_t now) { return "Synchronisation started at: " + RunDateTime(now); }

}  // namespace tandrel
