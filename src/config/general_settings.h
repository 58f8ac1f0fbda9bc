#pragma once
// The general settings: when to synchronise and how to write the run log.
// They live in two sections of the configuration file and are always written
// together, in one fixed order.

#include <functional>
#include <string>

#include "config/ini_file.h"

namespace tandrel {

// The time of a configuration that names none: no run is ever due.
inline constexpr char kNoSyncTime[] = "  :  ";

struct GeneralSettings {
  std::string time = kNoSyncTime;  // "hh:mm", a time of day or an interval
  bool interval = false;
  bool logFile = false;
  bool extendedLog = false;
  bool appendLog = false;
  bool multipleLog = false;

  bool operator==(const GeneralSettings&) const = default;
};

// Reads the six settings; a missing key (or a switch that is no integer)
// gives the default above.
GeneralSettings ReadGeneralSettings(const IniFile& ini);

// Writes Time, Interval, LogFile, ExtendedLog, AppendLog and MultipleLog, in
// this order. A failed write throws IniWriteError and stops the rest.
// `timeWritten`, when given, runs as soon as the time is in the file, so what
// it does stands even when a later write fails.
void WriteGeneralSettings(IniFile& ini, const GeneralSettings& settings,
                          const std::function<void()>& timeWritten = {});

}  // namespace tandrel
