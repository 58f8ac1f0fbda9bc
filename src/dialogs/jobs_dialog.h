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

class JobsDialog : public QDialog, private ui::JobsView {
  Q_OBJECT
 public:
  explicit JobsDialog(const std::string& configPath, QWidget* parent = nullptr);
  ~JobsDialog() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  using List = ui::JobList;

  void BuildWindow();

  void SaveNonActiveClicked() { editor_.Save(List::NonActive); }
  void SaveActiveClicked() { editor_.Save(List::Active); }
  void DeleteNonActiveClicked() { editor_.Delete(List::NonActive); }
  void DeleteActiveClicked() { editor_.Delete(List::Active); }
  void MoveToActiveClicked() { editor_.MoveToOtherList(List::NonActive); }
  void MoveToNonActiveClicked() { editor_.MoveToOtherList(List::Active); }
  void MoveUpClicked() { editor_.MoveUp(); }
  void MoveDownClicked() { editor_.MoveDown(); }
  void NonActiveListClicked() { editor_.Select(List::NonActive); }
  void ActiveListClicked() { editor_.Select(List::Active); }
  void HandleAsClientClicked();
  void BrowseFromClicked() { editor_.BrowseSource(); }
  void BrowseToClicked() { editor_.BrowseDestination(); }
  void CloseClicked() { close(); }

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

  QLineEdit* nameField_ = nullptr;
  QLineEdit* sourceField_ = nullptr;
  QLineEdit* destinationField_ = nullptr;
  QLineEdit* fileMaskField_ = nullptr;
  QCheckBox* always_ = nullptr;
  QCheckBox* handleAsServer_ = nullptr;
  QCheckBox* handleAsClient_ = nullptr;
  QCheckBox* includeSubDirs_ = nullptr;
  QCheckBox* deleteEmptySubDirs_ = nullptr;
  QCheckBox* cleanupDestination_ = nullptr;
  QCheckBox* verify_ = nullptr;
  QListWidget* nonActiveList_ = nullptr;
  QListWidget* activeList_ = nullptr;
  QStatusBar* statusBar_ = nullptr;
};

}  // namespace tandrel
