#include "engine/scheduler.h"

#include <cctype>

#include "platform/process.h"

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

void Scheduler::Plan(const std::string& time, bool interval, std::time_t now) {
  time_ = time;
  interval_ = interval;
  const std::tm local = platform::LocalTime(now);
  if (time_ == kNoSyncTime || time_ == ":" || !interval_) {
    next_ = time_;
    return;
  }
  long long hours = 0, minutes = 0, length;
  const bool hoursOk = LeadingNumber(time_, 0, hours);
  const bool minutesOk = time_.size() < 4 || LeadingNumber(time_, 3, minutes);
  length = hoursOk && minutesOk ? hours * 3600 + minutes * 60 : kTenMinutes;

  // Only the time of day of the sum counts; a negative sum wraps backwards.
  const long long ofDay = local.tm_hour * 3600LL + local.tm_min * 60LL + local.tm_sec;
  long long next = (ofDay + length) % 86400;
  if (next < 0) next += 86400;
  next_ = TwoDigits(static_cast<int>(next / 3600)) + ":" + TwoDigits(static_cast<int>(next / 60 % 60));
}

bool Scheduler::Tick(std::time_t now, bool runInProgress) {
  const std::tm local = platform::LocalTime(now);
  int due = 0;
  if (!MinuteOfDay(next_, due) || due != local.tm_hour * 60 + local.tm_min) {
    armed_ = true;
    return false;
  }
  if (!armed_ || runInProgress) return false;
  armed_ = false;
  return true;
}

void Scheduler::TimedRunEnded(std::time_t now) {
  Plan(time_, interval_, now);
  // The minute the run ended in may be the next run's again (a whole day's
  // interval): the timer first has to see another.
  armed_ = false;
}

std::string Scheduler::NextTimedRun() const {
  int minute = 0;
  return MinuteOfDay(next_, minute) ? next_ : std::string();
}

}  // namespace tandrel
