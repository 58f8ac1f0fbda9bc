// The synchronisation scheduler on a clock that the test moves: arming, one
// run per due minute, intervals counted from the computation, wrapping past
// midnight, clock changes, and manual runs that leave the schedule alone.

#include <gtest/gtest.h>

#include <clocale>
#include <functional>
#include <stdexcept>
#include <string>

#include "engine/scheduler.h"
#include "testsupport/temp_dir.h"

namespace tandrel::test {
namespace {

class SchedulerTest : public ::testing::Test {
 protected:
  void At(int hour, int minute, int second, int day = 0) {
    now_ = LocalTime(2026, 3, 10 + day, hour, minute, second);
  }

  // What creating the main window does with these settings, at the current time.
  void Create(const std::string& time, bool interval) { scheduler_.Plan(time, interval, now_); }

  // One tick at the given time; true when it started a run. A timed run
  // lasts as long as `duringRun` makes it.
  bool TickAt(int hour, int minute, int second, int day = 0) {
    At(hour, minute, second, day);
    if (!scheduler_.Tick(now_, runInProgress_)) return false;
    ++runs_;
    runInProgress_ = true;
    try {
      if (duringRun_) duringRun_();
    } catch (...) {
      runInProgress_ = false;
      scheduler_.TimedRunFailed();
      throw;
    }
    runInProgress_ = false;
    scheduler_.TimedRunEnded(now_);
    return true;
  }

  // A run from the menu, lasting as long as `during` makes it.
  void ManualRun(const std::function<void()>& during) {
    ++runs_;
    runInProgress_ = true;
    during();
    runInProgress_ = false;
  }

  // Ticks every 10 seconds over [from, to) of one day; the number of runs.
  int TickThrough(int fromSecond, int toSecond, int day = 0) {
    int runs = 0;
    for (int s = fromSecond; s < toSecond; s += 10)
      runs += TickAt(s / 3600, s / 60 % 60, s % 60, day) ? 1 : 0;
    return runs;
  }

  std::time_t now_ = 0;
  Scheduler scheduler_;
  int runs_ = 0;
  bool runInProgress_ = false;
  std::function<void()> duringRun_;
};

TEST_F(SchedulerTest, TimeOfDayRunsOnceInTheDueMinuteEachDay) {
  At(9, 0, 0);
  Create("14:30", false);
  EXPECT_EQ(scheduler_.NextTime(), "14:30");
  EXPECT_FALSE(scheduler_.Armed());

  EXPECT_FALSE(TickAt(14, 29, 58));
  EXPECT_TRUE(scheduler_.Armed());
  EXPECT_TRUE(TickAt(14, 30, 8));
  EXPECT_FALSE(scheduler_.Armed());
  EXPECT_FALSE(TickAt(14, 30, 18));
  EXPECT_FALSE(TickAt(14, 30, 58));
  EXPECT_EQ(scheduler_.NextTime(), "14:30");

  // The rest of the day and the next morning: nothing; then 14:30 again.
  EXPECT_EQ(TickThrough(14 * 3600 + 31 * 60, 24 * 3600), 0);
  EXPECT_EQ(TickThrough(0, 14 * 3600 + 30 * 60, 1), 0);
  EXPECT_TRUE(TickAt(14, 30, 0, 1));
  EXPECT_EQ(runs_, 2);
}

TEST_F(SchedulerTest, TimesAreComparedAsNumbersUnderATwelveHourClock) {
  // The locale writes 13:01 as "01:01:00 PM": neither that text nor its
  // first five characters may decide.
  const std::string before = std::setlocale(LC_TIME, nullptr);
  if (!std::setlocale(LC_TIME, "en_US.UTF-8")) GTEST_SKIP() << "no en_US.UTF-8 locale here";
  At(9, 0, 0);
  Create("13:01", false);
  EXPECT_EQ(TickThrough(0, 13 * 3600 + 60), 0);
  EXPECT_TRUE(TickAt(13, 1, 0));
  Create("01:03", false);
  EXPECT_EQ(TickThrough(13 * 3600 + 2 * 60, 24 * 3600), 0) << "not at 13:03";
  EXPECT_TRUE(TickAt(1, 3, 0, 1));
  At(13, 10, 0, 1);
  Create("00:10", true);
  EXPECT_EQ(scheduler_.NextTime(), "13:20");
  std::setlocale(LC_TIME, before.c_str());
}

TEST_F(SchedulerTest, StartInsideTheDueMinuteWaitsForTheNextDay) {
  At(14, 30, 20);
  Create("14:30", false);
  EXPECT_EQ(TickThrough(14 * 3600 + 30 * 60 + 20, 24 * 3600), 0);
  EXPECT_EQ(TickThrough(0, 14 * 3600 + 30 * 60, 1), 0);
  EXPECT_TRUE(TickAt(14, 30, 0, 1));
}

TEST_F(SchedulerTest, IntervalCountsFromTheComputation) {
  At(14, 30, 50);
  Create("00:10", true);
  EXPECT_EQ(scheduler_.NextTime(), "14:40");
  EXPECT_EQ(TickThrough(14 * 3600 + 31 * 60, 14 * 3600 + 40 * 60), 0);
  EXPECT_TRUE(TickAt(14, 40, 0));
  EXPECT_EQ(scheduler_.NextTime(), "14:50");
  EXPECT_FALSE(scheduler_.Armed());
}

TEST_F(SchedulerTest, IntervalCountsFromTheEndOfATimedRunAndWrapsPastMidnight) {
  At(23, 44, 0);
  Create("00:10", true);
  EXPECT_EQ(scheduler_.NextTime(), "23:54");
  EXPECT_FALSE(TickAt(23, 53, 59));
  duringRun_ = [this] { At(23, 55, 30); };
  EXPECT_TRUE(TickAt(23, 54, 2));
  EXPECT_EQ(scheduler_.NextTime(), "00:05");

  At(10, 0, 0, 1);
  scheduler_.Plan("01:00", true, now_);
  EXPECT_EQ(scheduler_.NextTime(), "11:00");
  EXPECT_FALSE(TickAt(10, 59, 55, 1));
  duringRun_ = [this] { At(11, 20, 40, 1); };
  EXPECT_TRUE(TickAt(11, 0, 5, 1));
  EXPECT_EQ(scheduler_.NextTime(), "12:20");
}

TEST_F(SchedulerTest, IntervalOfADayOrMoreCountsOnlyItsRemainder) {
  At(8, 0, 0);
  Create("36:00", true);
  EXPECT_EQ(scheduler_.NextTime(), "20:00");
  EXPECT_EQ(TickThrough(8 * 3600, 20 * 3600), 0);
  EXPECT_TRUE(TickAt(20, 0, 5));
  EXPECT_EQ(scheduler_.NextTime(), "08:00");
  EXPECT_EQ(TickThrough(20 * 3600 + 10, 24 * 3600), 0);
  EXPECT_EQ(TickThrough(0, 8 * 3600, 1), 0);
  EXPECT_TRUE(TickAt(8, 0, 5, 1));
}

TEST_F(SchedulerTest, WholeDayIntervalsNameTheCurrentMinute) {
  for (const char* time : {"00:00", "24:00", "48:00"}) {
    SCOPED_TRACE(time);
    runs_ = 0;
    scheduler_ = Scheduler();
    At(10, 14, 50);
    Create("  :  ", false);
    EXPECT_FALSE(TickAt(10, 14, 50));  // arms: no time set never matches
    // The general settings dialog closes with the new interval.
    At(10, 15, 30);
    scheduler_.Plan(time, true, now_);
    EXPECT_EQ(scheduler_.NextTime(), "10:15");
    EXPECT_TRUE(TickAt(10, 15, 40));
    EXPECT_EQ(scheduler_.NextTime(), "10:15");
    EXPECT_FALSE(TickAt(10, 15, 50));
    EXPECT_EQ(TickThrough(10 * 3600 + 16 * 60, 24 * 3600), 0);
    EXPECT_EQ(TickThrough(0, 10 * 3600 + 15 * 60, 1), 0);
    EXPECT_TRUE(TickAt(10, 15, 0, 1));
  }
}

TEST_F(SchedulerTest, ManualRunOverTheDueMinuteLeavesTheScheduleAlone) {
  At(9, 0, 0);
  Create("14:30", false);
  EXPECT_FALSE(TickAt(14, 29, 40));
  // A run from the menu at 14:29:50 that lasts past 14:31; the timer ticks
  // inside it, through the whole due minute.
  At(14, 29, 50);
  ManualRun([this] {
    for (int s = 0; s <= 70; s += 10) EXPECT_FALSE(TickAt(14, 30 + s / 60, s % 60));
    At(14, 31, 5);
  });
  EXPECT_EQ(runs_, 1);
  EXPECT_EQ(scheduler_.NextTime(), "14:30");
  EXPECT_TRUE(scheduler_.Armed());
  EXPECT_EQ(TickThrough(14 * 3600 + 31 * 60 + 10, 24 * 3600), 0);
}

TEST_F(SchedulerTest, TimesThatCanNeverMatch) {
  struct Row {
    const char* time;
    bool interval;
  };
  // No time set in either mode; in time-of-day mode an empty text and a text
  // that is not the start of the long time format.
  for (const Row& row : {Row{"  :  ", false}, Row{"  :  ", true}, Row{":", false}, Row{":", true},
                         Row{"", false}, Row{"9:30", false}, Row{"ab:cd", false}}) {
    SCOPED_TRACE(row.time);
    At(0, 0, 0);
    Create(row.time, row.interval);
    EXPECT_EQ(TickThrough(0, 24 * 3600), 0);
    EXPECT_EQ(scheduler_.NextTime(), row.time);
  }
}

TEST_F(SchedulerTest, IntervalTextIsReadAsHoursAndMinutesWithoutLimits) {
  struct Row {
    const char* time;
    const char* next;  // from 10:20:30
  };
  for (const Row& row : {
           Row{"", "10:20"},               // 0 hours 0 minutes: whole days
           Row{"ab:cd", "10:20"},          // letters read as 0
           Row{"00:90", "11:50"},          // minutes above 59 count in full
           Row{"1:30", "11:20"},           // minutes from the fourth character: "0"
           Row{"2", "12:20"},              // too short for minutes
           Row{" +1:05", "11:20"},         // blank and sign before the hours; the fourth character is ":"
           Row{"-01:00", "09:20"},         // a negative interval goes back
           Row{"99999999999:00", "10:30"}  // does not fit: ten minutes
       }) {
    SCOPED_TRACE(row.time);
    At(10, 20, 30);
    Create(row.time, true);
    EXPECT_EQ(scheduler_.NextTime(), row.next);
  }
}

TEST_F(SchedulerTest, ClockSetBackRepeatsTheMinuteAndForwardSkipsIt) {
  At(9, 0, 0);
  Create("14:30", false);
  EXPECT_FALSE(TickAt(14, 29, 55));
  EXPECT_TRUE(TickAt(14, 30, 5));
  // Back one hour: the minute comes again, and so does the run.
  EXPECT_FALSE(TickAt(13, 30, 15));
  EXPECT_EQ(TickThrough(13 * 3600 + 30 * 60 + 25, 14 * 3600 + 30 * 60), 0);
  EXPECT_TRUE(TickAt(14, 30, 5));
  EXPECT_EQ(runs_, 2);

  // Next day: forward over the due minute, no run that day.
  EXPECT_FALSE(TickAt(14, 29, 50, 1));
  EXPECT_EQ(TickThrough(15 * 3600 + 30 * 60, 24 * 3600, 1), 0);
  EXPECT_EQ(runs_, 2);
}

TEST_F(SchedulerTest, ErrorInATimedRunSkipsTheRestOfTheTick) {
  At(10, 0, 0);
  Create("00:05", true);
  EXPECT_FALSE(TickAt(10, 4, 50));
  duringRun_ = [] { throw std::runtime_error("disk gone"); };
  EXPECT_THROW(TickAt(10, 5, 0), std::runtime_error);
  EXPECT_EQ(scheduler_.NextTime(), "10:05");
  EXPECT_TRUE(scheduler_.Armed());

  // The next tick in the minute tries again, and succeeds.
  duringRun_ = nullptr;
  EXPECT_TRUE(TickAt(10, 5, 10));
  EXPECT_EQ(scheduler_.NextTime(), "10:10");
}

}  // namespace
}  // namespace tandrel::test
