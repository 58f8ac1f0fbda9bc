#include <functional>

#include "engine_fixture.h"

namespace tandrel::test {
namespace {

// The scheduler with a clock the test moves; runs are counted by their start
// lines (the log area keeps every run).
class SchedulerTest : public EngineTest {
 protected:
  SchedulerTest() { main_.AppendLog = true; }

  void At(int hour, int minute, int second, int day = 6) { now_ = LocalTime(2026, 12, day, hour, minute, second); }
  void TickAt(int hour, int minute, int second, int day = 6) {
    At(hour, minute, second, day);
    main_.SyncTimerTick();
  }
  int Runs() const {
    int n = 0;
    for (const auto& line : main_.MemoLines()) n += line.rfind("Synchronisation started at", 0) == 0;
    return n;
  }
  void Settings(const std::string& time, bool interval) {
    main_.SyncTime = time;
    main_.IntervalMode = interval;
    main_.ComputeNextSyncTime();
  }
};

TEST_F(SchedulerTest, TimeOfDayRunsOncePerDueMinute) {
  At(9, 0, 0);
  Settings("14:30", false);
  EXPECT_EQ(main_.NextSyncTime, "14:30");
  TickAt(14, 29, 58);
  EXPECT_TRUE(main_.TimerArmed);
  TickAt(14, 30, 8);
  EXPECT_EQ(Runs(), 1);
  EXPECT_FALSE(main_.TimerArmed);
  TickAt(14, 30, 18);
  TickAt(14, 30, 58);
  EXPECT_EQ(Runs(), 1);
  TickAt(14, 29, 55, 7);
  TickAt(14, 30, 5, 7);
  EXPECT_EQ(Runs(), 2) << "again the next day";
}

TEST_F(SchedulerTest, AStartInsideTheDueMinuteWaitsForTheNextOccurrence) {
  At(14, 30, 20);
  Settings("14:30", false);
  TickAt(14, 30, 30);
  TickAt(14, 30, 40);
  EXPECT_EQ(Runs(), 0);
  TickAt(14, 31, 0);
  TickAt(14, 30, 0, 7);
  EXPECT_EQ(Runs(), 1);
}

TEST_F(SchedulerTest, IntervalCountsFromTheComputation) {
  At(14, 30, 50);
  Settings("00:10", true);
  EXPECT_EQ(main_.NextSyncTime, "14:40");
  At(23, 55, 30);
  main_.ComputeNextSyncTime();
  EXPECT_EQ(main_.NextSyncTime, "00:05") << "wraps past midnight";
  At(8, 0, 0);
  Settings("36:00", true);
  EXPECT_EQ(main_.NextSyncTime, "20:00") << "whole days drop out";
  for (const char* wholeDays : {"00:00", "24:00", "48:00", ""}) {
    Settings(wholeDays, true);
    EXPECT_EQ(main_.NextSyncTime, "08:00") << "'" << wholeDays << "' names the current minute";
  }
  Settings("ab:cd", true);
  EXPECT_EQ(main_.NextSyncTime, "08:00") << "letters read as 0";
  Settings("1", true);
  EXPECT_EQ(main_.NextSyncTime, "09:00") << "no minutes part";
  Settings("00:90", true);
  EXPECT_EQ(main_.NextSyncTime, "09:30") << "minutes count in full";
  Settings("99:99999999999", true);
  EXPECT_EQ(main_.NextSyncTime, "08:10") << "a value that cannot be read gives ten minutes";
}

TEST_F(SchedulerTest, NoTimeSetNeverRuns) {
  for (const char* none : {"  :  ", ":"}) {
    for (bool interval : {false, true}) {
      At(0, 0, 0);
      Settings(none, interval);
      EXPECT_EQ(main_.NextSyncTime, none);
      for (int m = 0; m < 3; ++m) TickAt(0, m, 5);
    }
  }
  Settings("", false);
  TickAt(0, 0, 5);
  TickAt(0, 0, 15);
  Settings("9:30", false);  // the clock writes 09:30:05
  TickAt(9, 29, 55);
  TickAt(9, 30, 5);
  EXPECT_EQ(Runs(), 0);
}

TEST_F(SchedulerTest, IntervalFollowsTheEndOfATimerStartedRun) {
  class SlowRun : public TfMainBase {
   public:
    using TfMainBase::TfMainBase;
    std::function<void()> duringRun;
    void ProcessPendingMessages() override {
      if (duringRun) duringRun();
    }
  } main(main_.ProgramPath());
  main.SetClock([this] { return now_; });
  At(9, 0, 0);
  main.SyncTime = "01:00";
  main.IntervalMode = true;
  main.ComputeNextSyncTime();
  ASSERT_EQ(main.NextSyncTime, "10:00");
  At(9, 59, 55);
  main.SyncTimerTick();
  At(10, 0, 5);
  main.duringRun = [&] {
    At(10, 20, 40);
    main.SyncTimerTick();  // a tick inside the run starts nothing
  };
  main.SyncTimerTick();
  EXPECT_EQ(main.NextSyncTime, "11:20");
  EXPECT_FALSE(main.TimerArmed);
}

TEST_F(SchedulerTest, ManualRunsLeaveTheScheduleAlone) {
  At(14, 0, 0);
  Settings("00:30", true);
  main_.SyncTimerTick();
  ASSERT_TRUE(main_.TimerArmed);
  main_.RunJobs();
  EXPECT_EQ(main_.NextSyncTime, "14:30");
  EXPECT_TRUE(main_.TimerArmed);
  TickAt(14, 30, 1);
  EXPECT_EQ(Runs(), 2);
}

TEST_F(SchedulerTest, ClockSetBackRepeatsTheMinuteAndForwardSkipsIt) {
  At(13, 0, 0);
  Settings("14:30", false);
  TickAt(14, 29, 50);
  TickAt(14, 30, 0);
  TickAt(13, 30, 10);  // set back one hour: arms again
  TickAt(14, 29, 59);
  TickAt(14, 30, 9);
  EXPECT_EQ(Runs(), 2);
  TickAt(14, 29, 50, 7);
  TickAt(15, 45, 0, 7);  // set forward over the minute
  TickAt(15, 45, 10, 7);
  EXPECT_EQ(Runs(), 2);
}

TEST_F(SchedulerTest, GeneralSettingsLoadWithTheirDefaults) {
  main_.LoadGeneralSettings();
  EXPECT_EQ(main_.SyncTime, "  :  ");
  EXPECT_EQ(main_.NextSyncTime, "  :  ");
  EXPECT_FALSE(main_.IntervalMode || main_.LogFile || main_.ExtendedLog || main_.AppendLog || main_.MultipleLog);
  WriteFile(main_.ConfigPath(),
            "[Synchronisation time]\r\nTime=22:30\r\nInterval=1\r\n[Log]\r\nLogFile=1\r\nExtendedLog=0x1\r\n"
            "AppendLog=yes\r\nMultipleLog=2\r\n");
  main_.LoadGeneralSettings();
  EXPECT_EQ(main_.SyncTime, "22:30");
  EXPECT_EQ(main_.NextSyncTime, "22:30") << "a copy until the first computation";
  EXPECT_TRUE(main_.IntervalMode && main_.LogFile && main_.ExtendedLog && main_.MultipleLog);
  EXPECT_FALSE(main_.AppendLog);
}

}  // namespace
}  // namespace tandrel::test
