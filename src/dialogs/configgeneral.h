#pragma once
// The general settings dialog: the synchronisation time, whether it is an
// interval, and the four log options. Shown, it loads them from the
// configuration file; hidden, it writes all six back and hands them to the
// main window, whose owner then recomputes the next run.

#include <QDialog>
#include <memory>

class QCheckBox;
class QLineEdit;

namespace tandrel {

class TfMainBase;
class TIniFile;

class TfConfigGeneral : public QDialog {
  Q_OBJECT
 public:
  explicit TfConfigGeneral(TfMainBase& main, QWidget* parent = nullptr);
  ~TfConfigGeneral() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildWindow();
  void FormShow();
  void FormHide();
  void eTimeChange();
  void eTimeExit();
  void cbLogClick();
  void bbSluitenClick() { close(); }
  void Close1Click() { close(); }

  TfMainBase& main_;
  std::unique_ptr<TIniFile> iniFile_;  // open while the dialog is shown

  QLineEdit* eTime_ = nullptr;
  QCheckBox* cbIntervalTimer_ = nullptr;
  QCheckBox* cbLog_ = nullptr;
  QCheckBox* cbExtendedLog_ = nullptr;
  QCheckBox* cbAppendLog_ = nullptr;
  QCheckBox* cbMultipleLog_ = nullptr;
};

}  // namespace tandrel
