#pragma once
// The jobs dialog: the editor of one job above the non-active and the active
// list. ui::JobsEditor decides what every command does to the configuration
// file and to the lists; this window lays out and passes events on.

#include <string>
#include <vector>

#include "config/job_lists.h"
#include "ui/jobs_editor.h"
#include "win32ui/form.h"
#include "win32ui/win32_prompter.h"

namespace tandrel::win32 {

enum JobsId : int {
  kIdJobsClose = 400,
  kIdSaveNonActive,
  kIdDeleteNonActive,
  kIdSaveActive,
  kIdDeleteActive,
  kIdMoveToActive,
  kIdMoveToNonActive,
  kIdJobName,
  kIdSource,
  kIdDest,
  kIdFileMask,
  kIdFrom,
  kIdTo,
  kIdAlways,
  kIdHandleAsServer,
  kIdHandleAsClient,
  kIdIncludeSubDirs,
  kIdDelEmptySubDirs,
  kIdCleanupDest,
  kIdVerify,
  kIdNonActiveList,
  kIdActiveList,
  kIdMoveUp,
  kIdMoveDown,
  kIdConfigStatus,
  // The buttons give the same commands as the menu items.
  kIdSaveNonActiveButton,
  kIdDeleteNonActiveButton,
  kIdSaveActiveButton,
  kIdDeleteActiveButton,
  kIdToActiveButton,
  kIdToNonActiveButton,
  kIdJobsCloseButton,
};

class JobsDialog : public Form, private ui::JobsView {
 public:
  explicit JobsDialog(const std::string& configPath);
  ~JobsDialog() override;

 protected:
  void Command(int id, int code, HWND control) override;
  void Placing() override;
  void Hidden() override;
  void Layout() override;

 private:
  void Build();
  HWND List(ui::JobList list) const;

  // ui::JobsView
  JobRecord EditorRecord() const override;
  void ShowInEditor(const JobRecord& job) override;
  void ShowSource(const std::string& folder) override;
  void ShowDestination(const std::string& folder) override;
  void ShowEntries(ui::JobList list, const std::vector<std::string>& names) override;
  void AddEntry(ui::JobList list, const std::string& name) override;
  void RemoveEntry(ui::JobList list, int row) override;
  void MoveEntry(ui::JobList list, int from, int to) override;
  int SelectedRow(ui::JobList list) const override;
  void SelectRow(ui::JobList list, int row) override;
  void ShowStatus(const std::string& text) override;

  Win32Prompter prompter_;
  ui::JobsEditor editor_;
  HWND tips_ = nullptr;
};

}  // namespace tandrel::win32
