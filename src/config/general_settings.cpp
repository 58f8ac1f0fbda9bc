#include "config/general_settings.h"

namespace tandrel {
namespace {

constexpr char kTimeSection[] = "Synchronisation time";
constexpr char kLogSection[] = "Log";

}  // namespace

GeneralSettings ReadGeneralSettings(const IniFile& ini) {
  GeneralSettings settings;
  settings.time = ini.ReadString(kTimeSection, "Time", kNoSyncTime);
  settings.interval = ini.ReadBool(kTimeSection, "Interval", false);
  settings.logFile = ini.ReadBool(kLogSection, "LogFile", false);
  settings.extendedLog = ini.ReadBool(kLogSection, "ExtendedLog", false);
  settings.appendLog = ini.ReadBool(kLogSection, "AppendLog", false);
  settings.multipleLog = ini.ReadBool(kLogSection, "MultipleLog", false);
  return settings;
}

void WriteGeneralSettings(IniFile& ini, const GeneralSettings& settings,
                          const std::function<void()>& timeWritten) {
  ini.WriteString(kTimeSection, "Time", settings.time);
  if (timeWritten) timeWritten();
  ini.WriteBool(kTimeSection, "Interval", settings.interval);
  ini.WriteBool(kLogSection, "LogFile", settings.logFile);
  ini.WriteBool(kLogSection, "ExtendedLog", settings.extendedLog);
  ini.WriteBool(kLogSection, "AppendLog", settings.appendLog);
  ini.WriteBool(kLogSection, "MultipleLog", settings.multipleLog);
}

}  // namespace tandrel
