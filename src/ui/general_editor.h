#pragma once
// What the general settings dialog decides: the synchronisation time,
// whether it is an interval, and the four log options. Shown, it loads them
// from the configuration file; hidden, it writes all six back and hands them
// to the settings the main window goes by, which then recomputes the next run.

#include <memory>
#include <string>

#include "config/general_settings.h"
#include "ui/prompter.h"

namespace tandrel::ui {

// The dialog's window as the editor sees it; the time is 8-bit text.
class GeneralView {
 public:
  virtual ~GeneralView() = default;
  // The controls as they stand, the time field's text as typed.
  virtual GeneralSettings Fields() const = 0;
  virtual void ShowSettings(const GeneralSettings& settings) = 0;
  // Puts `text` into the time field (when it differs) and the caret
  // behind its last character, as typing leaves it.
  virtual void ShowTypedTime(const std::string& text) = 0;
  // "Date dependent logfile" can be changed only while a log file is made;
  // greyed, it keeps its mark.
  virtual void EnableMultipleLog(bool enabled) = 0;
};

class GeneralEditor {
 public:
  // `view` and `prompter` are used from the first showing on.
  // The settings are read from and written to the file at `configPath`;
  // `settings` are the ones the main window goes by.
  GeneralEditor(std::string configPath, GeneralSettings& settings, GeneralView& view, Prompter& prompter);
  ~GeneralEditor();
  GeneralEditor(const GeneralEditor&) = delete;
  GeneralEditor& operator=(const GeneralEditor&) = delete;

  void Shown();
  // Writes the six settings and hands them to the main window's; a failed
  // write is shown and leaves the main window's settings from then on as
  // they were (the time only once it is in the file).
  void Hidden();
  // The time field's text has changed: digits enter from the right,
  // anything else disappears at once.
  void TimeChanged();
  // The time field is left, or the interval switch clicked: the time
  // carries and wraps as time_field.h says.
  void TimeLeft();
  void LogClick();

 private:
  // Runs one event of the dialog through the error box; the controls' own
  // events while the editor changes them are not the user's.
  template <typename Step>
  void Event(Step step);

  std::string configPath_;
  GeneralSettings& settings_;
  GeneralView& view_;
  Prompter& prompter_;
  std::unique_ptr<IniFile> iniFile_;  // open while the dialog is shown
  bool updating_ = false;             // the editor is changing the controls
};

}  // namespace tandrel::ui
