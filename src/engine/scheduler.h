#pragma once
// When the timer starts a run: at a time of day, or an interval after the
// schedule was last worked out, both written "hh:mm". The clock's hour and
// minute are compared with the next run's as numbers, whatever the locale's
// way of writing a time. A value: whoever owns it hands it the clock's time.

#include <ctime>
#include <string>

#include "config/general_settings.h"

namespace tandrel {

class Scheduler {
 public:
  // Works out the next run from the settings' time at `now`: the window's
  // creation, and new general settings.
  void Plan(const std::string& time, bool interval, std::time_t now);
  // The 10-second timer's tick at `now`: true once in the minute the next
  // run falls due, when the timer has seen another minute since it last
  // started one and no run is in progress. The caller then starts a run and
  // calls TimedRunEnded when it is over.
  bool Tick(std::time_t now, bool runInProgress);
  // A timed run is over: an interval counts from now.
  void TimedRunEnded(std::time_t now);
  // A timed run ended by an error that escaped it: the next tick in the
  // minute tries again.
  void TimedRunFailed() { armed_ = true; }

  // When the next timed run falls due, "hh:mm"; empty when none will.
  std::string NextTimedRun() const;
  // The next run's time as worked out: "hh:mm", or the setting's own text
  // when it names no time.
  const std::string& NextTime() const { return next_; }
  // Whether the timer has seen a minute other than the next run's since the
  // last timed run.
  bool Armed() const { return armed_; }

 private:
  std::string time_ = kNoSyncTime;
  bool interval_ = false;
  std::string next_ = kNoSyncTime;
  bool armed_ = false;
};

}  // namespace tandrel
