#pragma once
// The general settings dialog: the synchronisation time, whether it is an
// interval, and the four log options. ui::GeneralEditor decides what the
// controls show and what is written when the dialog closes.

#include "config/general_settings.h"
#include "ui/general_editor.h"
#include "win32ui/form.h"
#include "win32ui/win32_prompter.h"

namespace tandrel::win32 {

enum GeneralId : int {
  kIdGeneralClose = 200,
  kIdTime,
  kIdIntervalTimer,
  kIdExtendedLog,
  kIdAppendLog,
  kIdCreateLog,
  kIdMultipleLog,
  kIdGeneralCloseButton,
};

class GeneralDialog : public Form, private ui::GeneralView {
 public:
  // Edits the file at `configPath`; `settings` are the ones runs go by.
  GeneralDialog(const std::string& configPath, GeneralSettings& settings);

 protected:
  void Command(int id, int code, HWND control) override;
  void Placing() override;
  void Hidden() override;

 private:
  static LRESULT CALLBACK TimeFieldProcedure(HWND field, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                             DWORD_PTR self);

  // ui::GeneralView
  GeneralSettings Fields() const override;
  void ShowSettings(const GeneralSettings& settings) override;
  void ShowTypedTime(const std::string& text) override;
  void EnableMultipleLog(bool enabled) override;

  Win32Prompter prompter_;
  ui::GeneralEditor editor_;
};

}  // namespace tandrel::win32
