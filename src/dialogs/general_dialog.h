#pragma once
// The general settings dialog's window: the synchronisation time, whether it
// is an interval, and the four log options. What they do is decided by
// ui::GeneralEditor; this window lays out, draws and passes its events on.

#include <QDialog>

#include "dialogs/qt_prompter.h"
#include "ui/general_editor.h"

class QCheckBox;
class QLineEdit;

namespace tandrel {

class GeneralDialog : public QDialog, private ui::GeneralView {
  Q_OBJECT
 public:
  // Edits the file at `configPath`; `settings` are the ones runs go by.
  GeneralDialog(const std::string& configPath, GeneralSettings& settings, QWidget* parent = nullptr);
  ~GeneralDialog() override;

  void setVisible(bool visible) override;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildWindow();
  void TimeChanged() { editor_.TimeChanged(); }
  void TimeLeft() { editor_.TimeLeft(); }
  void CreateLogClicked() { editor_.LogClick(); }
  void CloseClicked() { close(); }

  // ui::GeneralView
  GeneralSettings Fields() const override;
  void ShowSettings(const GeneralSettings& settings) override;
  void ShowTypedTime(const std::string& text) override;
  void EnableMultipleLog(bool enabled) override;

  ui::QtPrompter prompter_{this};
  ui::GeneralEditor editor_;

  QLineEdit* timeField_ = nullptr;
  QCheckBox* intervalTimer_ = nullptr;
  QCheckBox* createLog_ = nullptr;
  QCheckBox* extendedLog_ = nullptr;
  QCheckBox* appendLog_ = nullptr;
  QCheckBox* multipleLog_ = nullptr;
};

}  // namespace tandrel
