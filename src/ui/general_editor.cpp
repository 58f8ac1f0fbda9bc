#include "ui/general_editor.h"

#include <utility>

#include "config/ini_file.h"
#include "support/text_lines.h"
#include "support/time_field.h"

namespace tandrel::ui {
namespace {

// The time field's text once typed: digits from the right, never carried.
std::string Typed(const std::string& text) { return text.empty() ? text : TypedTime(text, false); }

}  // namespace

GeneralEditor::GeneralEditor(std::string configPath, GeneralSettings& settings, GeneralView& view,
                             Prompter& prompter)
    : configPath_(std::move(configPath)), settings_(settings), view_(view), prompter_(prompter) {}

GeneralEditor::~GeneralEditor() = default;

template <typename Step>
void GeneralEditor::Event(Step step) {
  if (updating_) return;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{updating_};
  updating_ = true;
  Guarded(prompter_, step);
}

void GeneralEditor::Shown() {
  Event([this] {
    iniFile_ = std::make_unique<IniFile>(configPath_);
    GeneralSettings settings = ReadGeneralSettings(*iniFile_);
    // The stored time as if typed; a changed interval switch then applies
    // the rule of leaving the field to it.
    settings.time = Typed(settings.time);
    if (settings.interval != view_.Fields().interval && !settings.time.empty())
      settings.time = NormalisedOnExit(settings.time, settings.interval);
    view_.ShowSettings(settings);
    view_.EnableMultipleLog(settings.logFile);
  });
}

void GeneralEditor::Hidden() {
  Event([this] {
    // The file is let go however this ends; a failed write stops the rest.
    const std::unique_ptr<IniFile> ini = std::move(iniFile_);
    if (!ini) return;
    GeneralSettings settings = view_.Fields();
    settings.time = OneLine(settings.time);
    // The main window takes the time as soon as it is stored, the rest
    // once everything is.
    WriteGeneralSettings(*ini, settings, [&] { settings_.time = settings.time; });
    const std::string time = settings_.time;
    settings_ = settings;
    settings_.time = time;
  });
}

void GeneralEditor::TimeChanged() {
  Event([this] {
    const std::string text = view_.Fields().time;
    if (!text.empty()) view_.ShowTypedTime(Typed(OneLine(text)));
  });
}

void GeneralEditor::TimeLeft() {
  Event([this] {
    const GeneralSettings fields = view_.Fields();
    if (fields.time.empty()) return;
    view_.ShowTypedTime(Typed(NormalisedOnExit(OneLine(fields.time), fields.interval)));
  });
}

void GeneralEditor::LogClick() {
  Event([this] { view_.EnableMultipleLog(view_.Fields().logFile); });
}

}  // namespace tandrel::ui
