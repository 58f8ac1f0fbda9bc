// The Qt-free half of the synchronisation scheduler: the general settings,
// the next-run text and the timer tick. The whole schedule is one text of
// hours and minutes, compared with the clock's hour and minute as numbers,
// whatever the locale's way of writing a time.

#include <cctype>

#include "config/general_settings.h"
#include "config/ini_file.h"
#include "engine/main_base.h"
#include "platform/platform.h"

namespace tandrel {
namespace {

constexpr long long kTenMinutes = 600;

// Reads a decimal number from the start of `text`: leading white space, an
// optional sign, then digits; no digits give 0. False when it does not fit.
bool LeadingNumber(const std::string& text, size_t from, long long& value) {
  value = 0;
  size_t i = from;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > 1000000000LL) return false;
  }
  if (negative) value = -value;
  return true;
}

// The minute of the day that a "hh:mm" text of two digits each names; false
// for any other text (no time set, or no minute of a day).
bool MinuteOfDay(const std::string& text, int& minute) {
  if (text.size() != 5 || text[2] != ':') return false;
  for (size_t i : {0, 1, 3, 4}) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  const int hours = (text[0] - '0') * 10 + (text[1] - '0');
  const int minutes = (text[3] - '0') * 10 + (text[4] - '0');
  if (hours > 23 || minutes > 59) return false;
  minute = hours * 60 + minutes;
  return true;
}

std::string TwoDigits(int value) {
  return std::string{static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
}

}  // namespace

void TfMainBase::LoadGeneralSettings() {
  const GeneralSettings settings = ReadGeneralSettings(IniFile(ConfigPath()));
  SyncTime = settings.time;
  NextSyncTime = SyncTime;
  IntervalMode = settings.interval;
  LogFile = settings.logFile;
  ExtendedLog = settings.extendedLog;
  AppendLog = settings.appendLog;
  MultipleLog = settings.multipleLog;
}

void TfMainBase::ComputeNextSyncTime() {
  const std::tm now = platform::LocalTime(Now());
  if (SyncTime == kNoSyncTime || SyncTime == ":" || !IntervalMode) {
    NextSyncTime = SyncTime;
    return;
  }
  long long hours = 0, minutes = 0, interval;
  const bool hoursOk = LeadingNumber(SyncTime, 0, hours);
  const bool minutesOk = SyncTime.size() < 4 || LeadingNumber(SyncTime, 3, minutes);
  interval = hoursOk && minutesOk ? hours * 3600 + minutes * 60 : kTenMinutes;

  // Only the time of day of the sum counts; a negative sum wraps backwards.
  const long long ofDay = now.tm_hour * 3600LL + now.tm_min * 60LL + now.tm_sec;
  long long next = (ofDay + interval) % 86400;
  if (next < 0) next += 86400;
  std::tm t = now;
  t.tm_hour = static_cast<int>(next / 3600);
  t.tm_min = static_cast<int>(next / 60 % 60);
  t.tm_sec = static_cast<int>(next % 60);
  NextSyncTime = TwoDigits(t.tm_hour) + ":" + TwoDigits(t.tm_min);
}

std::string TfMainBase::NextTimedRun() const {
  int minute = 0;
  return MinuteOfDay(NextSyncTime, minute) ? NextSyncTime : std::string();
}

void TfMainBase::SyncTimerTick() {
  const std::tm now = platform::LocalTime(Now());
  int due = 0;
  if (!MinuteOfDay(NextSyncTime, due) || due != now.tm_hour * 60 + now.tm_min) {
    TimerArmed = true;
    return;
  }
  if (TimerArmed && !RunInProgress) {
    RunJobs();
    ComputeNextSyncTime();
    TimerArmed = false;
  }
}

}  // namespace tandrel
