// The general settings dialog's decisions on a real configuration file,
// through a view that holds the controls as plain data and raises the time
// field's change event, as a toolkit does.

#include "ui/general_editor.h"

#include <gtest/gtest.h>

#include "scripted_prompter.h"
#include "testsupport/temp_dir.h"

namespace tandrel {
namespace {

class FakeGeneralView : public ui::GeneralView {
 public:
  ui::GeneralEditor* editor = nullptr;
  GeneralSettings fields{""};  // the field starts empty
  bool multipleLogEnabled = true;
  size_t caret = 0;

  // The user's typing, or anything else that changes the field's text.
  void SetTime(const std::string& text) {
    fields.time = text;
    caret = text.size();
    editor->TimeChanged();
  }
  GeneralSettings Fields() const override { return fields; }
  void ShowSettings(const GeneralSettings& settings) override {
    if (settings.time != fields.time) SetTime(settings.time);
    fields = settings;
  }
  void ShowTypedTime(const std::string& text) override {
    if (text != fields.time) SetTime(text);
    caret = 5;
  }
  void EnableMultipleLog(bool enabled) override { multipleLogEnabled = enabled; }
};

class GeneralEditorTest : public ::testing::Test {
 protected:
  GeneralEditorTest() { view_.editor = &editor_; }
  void Write(const std::string& text) { test::WriteFile(config_, text); }
  GeneralSettings Stored() const { return ReadGeneralSettings(IniFile(config_)); }

  test::ScopedTempDir dir_;
  std::string config_ = dir_ / "tandrel.cfg";
  GeneralSettings settings_;  // the main window's
  FakeGeneralView view_;
  test::ScriptedPrompter prompts_;
  ui::GeneralEditor editor_{config_, settings_, view_, prompts_};
};

TEST_F(GeneralEditorTest, SettingsAreLoadedAsTypedAndHandedToTheMainWindow) {
  settings_.time = "12:00";
  settings_.logFile = true;
  editor_.Shown();  // no file yet
  EXPECT_EQ(view_.fields, (GeneralSettings{"00:00"}));
  EXPECT_FALSE(view_.multipleLogEnabled);
  editor_.Hidden();
  EXPECT_EQ(Stored(), (GeneralSettings{"00:00"}));
  EXPECT_EQ(settings_.time, "00:00");
  EXPECT_FALSE(settings_.logFile);

  Write(
      "[Synchronisation "
      "time]\r\nTime=930\r\nInterval=1\r\n[Log]\r\nLogFile=1\r\nExtendedLog=1\r\nMultipleLog=1\r\n");
  editor_.Shown();
  const GeneralSettings loaded{"09:30", true, true, true, false, true};
  EXPECT_EQ(view_.fields, loaded);
  EXPECT_TRUE(view_.multipleLogEnabled);
  editor_.Hidden();
  EXPECT_EQ(Stored(), loaded);
  EXPECT_EQ(settings_.time, "09:30");
  EXPECT_TRUE(settings_.interval && settings_.logFile && settings_.extendedLog && !settings_.appendLog &&
              settings_.multipleLog);
}

TEST_F(GeneralEditorTest, TypedDigitsEnterFromTheRight) {
  const std::pair<const char*, const char*> rows[] = {
      {"", ""},  // an empty field stays empty
      {"1", "00:01"},
      {"00:012", "00:12"},
      {"00:123", "01:23"},
      {"01:234", "12:34"},
      {"12:345", "23:45"},
      {"12:34a", "12:34"},
      {"12:3", "01:23"},
      {"12:349", "23:49"},
      {"99:75", "99:75"},  // never carried or wrapped while typing
  };
  editor_.Shown();
  for (const auto& [typed, shown] : rows) {
    view_.SetTime(typed);
    EXPECT_EQ(view_.fields.time, shown) << typed;
    EXPECT_EQ(view_.caret, std::string(shown).size()) << typed;
  }
}

TEST_F(GeneralEditorTest, LeavingTheFieldOrLoadingAnotherIntervalSwitchCarriesAndWraps) {
  editor_.Shown();
  const std::tuple<const char*, bool, const char*> rows[] = {
      {"25:30", false, "01:30"}, {"25:30", true, "25:30"}, {"99:75", true, "99:59"}, {"", false, ""}};
  for (const auto& [typed, interval, shown] : rows) {
    view_.SetTime(typed);
    view_.fields.interval = interval;
    editor_.TimeLeft();
    EXPECT_EQ(view_.fields.time, shown) << typed << interval;
  }
  editor_.Hidden();
  // Loaded while the switch shows the other state, the stored time is left
  // as it would be by a click on the switch.
  Write("[Synchronisation time]\r\nTime=25:30\r\nInterval=0\r\n");
  view_.fields.interval = true;
  editor_.Shown();
  EXPECT_EQ(view_.fields.time, "01:30");
}

TEST_F(GeneralEditorTest, ClosingStoresTheFieldAsItStands) {
  const std::pair<const char*, const char*> rows[] = {{"25:30", "25:30"}, {"1\r\n2", "1  2"}, {"", ""}};
  for (const auto& [field, stored] : rows) {
    editor_.Shown();
    view_.fields.time = field;  // not left: no carry, no wrap
    editor_.Hidden();
    EXPECT_EQ(Stored().time, stored);
    EXPECT_EQ(settings_.time, stored);
  }
  editor_.Shown();
  EXPECT_EQ(view_.fields.time, "");
}

TEST_F(GeneralEditorTest, TheGreyedDateBoxKeepsItsMark) {
  Write("[Log]\r\nLogFile=0\r\nMultipleLog=1\r\n");
  editor_.Shown();
  EXPECT_FALSE(view_.multipleLogEnabled);
  EXPECT_TRUE(view_.fields.multipleLog);
  for (bool logFile : {true, false}) {
    view_.fields.logFile = logFile;
    editor_.LogClick();
    EXPECT_EQ(view_.multipleLogEnabled, logFile);
  }
  editor_.Hidden();
  EXPECT_TRUE(Stored().multipleLog);
  EXPECT_TRUE(settings_.multipleLog);
}

TEST_F(GeneralEditorTest, AFailedWriteIsShownAndLeavesTheMainWindowsSettings) {
  Write("[Synchronisation time]\r\nTime=10:00\r\n[Log]\r\nLogFile=1\r\n");
  test::MakeReadOnly(config_);
  const std::string before = test::ReadFile(config_);
  settings_.time = "10:00";
  settings_.logFile = true;
  editor_.Shown();
  view_.fields.time = "11:00";
  view_.fields.logFile = false;
  editor_.Hidden();
  EXPECT_EQ(prompts_.errors, std::vector<std::string>{"Unable to write to " + config_ + "."});
  EXPECT_EQ(test::ReadFile(config_), before);
  EXPECT_EQ(settings_.time, "10:00");
  EXPECT_TRUE(settings_.logFile);
}

}  // namespace
}  // namespace tandrel
