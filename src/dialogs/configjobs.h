#pragma once
// The jobs dialog's window: an editor for one job record above the two job
// lists (non-active at the left, active at the right). What each command
// does is decided by ui::JobsEditor; this window lays out, draws and passes
// its events on.

#include <QDialog>
#include <string>

#include "dialogs/qt_prompter.h"
#include "ui/jobs_editor.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QStatusBar;

namespace tandrel {

class TfConfigJobs : public QDialog, private ui::JobsView {
  Q_OBJECT
 public:
  explicit TfConfigJobs(const std::string& configPath, QWidget* parent = nullptr);
  ~TfConfigJobs() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  using List = ui::JobList;

  void BuildWindow();

  void mSaveNonActive1Click() { editor_.Save(List::NonActive); }
  void mSaveActive1Click() { editor_.Save(List::Active); }
  void mDeleteNonActive1Click() { editor_.Delete(List::NonActive); }
  void mDeleteActive1Click() { editor_.Delete(List::Active); }
  void mMoveToActive1Click() { editor_.MoveToOtherList(List::NonActive); }
  void mMoveToNonActive1Click() { editor_.MoveToOtherList(List::Active); }
  void SpeedButton1Click() { editor_.MoveUp(); }
  void SpeedButton2Click() { editor_.MoveDown(); }
  void lbNonActiveClick() { editor_.Select(List::NonActive); }
  void lbActiveClick() { editor_.Select(List::Active); }
  void cbHandleAsClientClick();
  void sbFromClick() { editor_.BrowseSource(); }
  void sbToClick() { editor_.BrowseDestination(); }
  void mCloseClick() { close(); }

  // ui::JobsView
  JobRecord EditorRecord() const override;
  void ShowInEditor(const JobRecord& job) override;
  void ShowSource(const std::string& folder) override;
  void ShowDestination(const std::string& folder) override;
  void ShowEntries(List list, const std::vector<std::string>& names) override;
  void AddEntry(List list, const std::string& name) override;
  void RemoveEntry(List list, int row) override;
  void MoveEntry(List list, int from, int to) override;
  int SelectedRow(List list) const override;
  void SelectRow(List list, int row) override;
  void ShowStatus(const std::string& text) override;

  QListWidget* Box(List list) const;

  ui::QtPrompter prompter_{this};
  ui::JobsEditor editor_;

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
