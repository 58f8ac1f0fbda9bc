#pragma once
// The jobs dialog: an editor for one job record above the two job lists
// (non-active at the left, active at the right). Every command works on the
// configuration file at once; closing the dialog neither saves nor discards.

#include <QDialog>
#include <memory>
#include <string>

#include "config/job_lists.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QStatusBar;

namespace tandrel {

class TIniFile;

class TfConfigJobs : public QDialog {
  Q_OBJECT
 public:
  explicit TfConfigJobs(const std::string& configPath, QWidget* parent = nullptr);
  ~TfConfigJobs() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  enum class List { NonActive, Active };

  void BuildWindow();
  void FormCreate();
  void FormShow();
  void FormHide();

  void mSaveNonActive1Click() { SaveInto(List::NonActive); }
  void mSaveActive1Click() { SaveInto(List::Active); }
  void mDeleteNonActive1Click() { DeleteFrom(List::NonActive); }
  void mDeleteActive1Click() { DeleteFrom(List::Active); }
  void mMoveToActive1Click() { MoveFrom(List::NonActive); }
  void mMoveToNonActive1Click() { MoveFrom(List::Active); }
  void SpeedButton1Click() { MoveActive(-1); }
  void SpeedButton2Click() { MoveActive(+1); }
  void lbNonActiveClick() { Select(List::NonActive); }
  void lbActiveClick() { Select(List::Active); }
  void cbHandleAsClientClick();
  void sbFromClick();
  void sbToClick();
  void mCloseClick();

  void SaveInto(List own);
  void DeleteFrom(List own);
  void MoveFrom(List source);
  void MoveActive(int step);  // -1 up, +1 down
  void Select(List list);

  // The position of the list box's selected entry, or -1.
  int SelectedPosition(List list) const;
  // The name under key `position` of the list in the file.
  std::string NameAt(List list, int position) const;
  QListWidget* Box(List list) const;
  static const char* Section(List list);
  static List Other(List list);

  JobRecord EditorRecord() const;
  void ShowInEditor(const JobRecord& job);

  std::string configPath_;
  std::unique_ptr<TIniFile> iniFile_;  // open while the dialog is shown
  bool loading_ = false;               // an active job is being loaded

  QLineEdit* eJobName_ = nullptr;
  QLineEdit* eSource_ = nullptr;
  QLineEdit* eDest_ = nullptr;
  QLineEdit* eFileMask_ = nullptr;
  QCheckBox* cbAlways_ = nullptr;
  QCheckBox* cbHandleAsServer_ = nullptr;
  QCheckBox* cbHandleAsClient_ = nullptr;
  QCheckBox* cbIncludeSubDirs_ = nullptr;
  QCheckBox* cbDelEmptySubDirs_ = nullptr;
  QCheckBox* cbCleanupDest_ = nullptr;
  QCheckBox* cbVerify_ = nullptr;
  QListWidget* lbNonActive_ = nullptr;
  QListWidget* lbActive_ = nullptr;
  QStatusBar* sbConfig_ = nullptr;
};

}  // namespace tandrel
