#pragma once
// What the jobs dialog decides: an editor for one job record above the two
// job lists (non-active and active). Every command works on the
// configuration file at once; closing the dialog neither saves nor discards.
// The dialog's window calls one method per event and shows what it is told
// through JobsView.

#include <memory>
#include <string>
#include <vector>

#include "config/job_lists.h"
#include "ui/prompter.h"

namespace tandrel {

class IniFile;

namespace ui {

enum class JobList { NonActive, Active };

// The dialog's window as the editor sees it. Texts are 8-bit texts of the
// locale; rows count from 0, -1 is no row.
class JobsView {
 public:
  virtual ~JobsView() = default;
  // The editor's fields as they stand, texts as typed.
  virtual JobRecord EditorRecord() const = 0;
  // Fills every field of the editor.
  virtual void ShowInEditor(const JobRecord& job) = 0;
  virtual void ShowSource(const std::string& folder) = 0;
  virtual void ShowDestination(const std::string& folder) = 0;
  // The list's entries in order, none selected.
  virtual void ShowEntries(JobList list, const std::vector<std::string>& names) = 0;
  virtual void AddEntry(JobList list, const std::string& name) = 0;  // as the last one
  virtual void RemoveEntry(JobList list, int row) = 0;
  virtual void MoveEntry(JobList list, int from, int to) = 0;
  // The list's selected entry; the user selects by mouse or keyboard.
  virtual int SelectedRow(JobList list) const = 0;
  virtual void SelectRow(JobList list, int row) = 0;
  // The status line; empty clears it.
  virtual void ShowStatus(const std::string& text) = 0;
};

class JobsEditor {
 public:
  static const char* const kFoundInOtherList;  // the status line after such a Save
  static const Question kClientWarning;

  // `view` and `prompter` are used from the first showing on.
  JobsEditor(std::string configPath, JobsView& view, Prompter& prompter);
  ~JobsEditor();
  JobsEditor(const JobsEditor&) = delete;
  JobsEditor& operator=(const JobsEditor&) = delete;

  // The dialog is shown: a clear status line and both lists read anew; the
  // editor keeps what it holds. Hidden: the file is let go.
  void Shown();
  void Hidden();

  // The commands. Each shows an error in the error box, after which the
  // rest of the command is left undone; each does nothing while hidden.
  // Saves the editor's job into its section and, when the name is in
  // neither list, appends it to `list`.
  void Save(JobList list);
  // Erases the selected job's section, then its entry.
  void Delete(JobList list);
  // Moves the selected entry to the end of the other list.
  void MoveToOtherList(JobList from);
  // Exchanges the selected active entry with the one before or after it.
  void MoveUp();
  void MoveDown();
  // A click on a list's entry (or a selection by key): loads its job.
  void Select(JobList list);
  // The user has switched "Handle From as client" on or off.
  void HandleAsClientClick(bool checked);
  // The folder browsers, starting at the From or To field's folder.
  void BrowseSource();
  void BrowseDestination();

  // The names the lists show.
  const std::vector<std::string>& Entries(JobList list) const;

 private:
  // Runs one command while the dialog is shown, through the error box.
  template <typename Step>
  void Command(Step step);
  void SaveInto(JobList own);
  void DeleteFrom(JobList own);
  void MoveFrom(JobList source);
  void MoveActive(int step);  // -1 up, +1 down
  void Load(JobList list);
  void Browse(const char* caption, const std::string& field, void (JobsView::*show)(const std::string&));
  std::string NameAt(JobList list, int position) const;
  std::vector<std::string>& Names(JobList list);

  std::string configPath_;
  JobsView& view_;
  Prompter& prompter_;
  std::unique_ptr<IniFile> iniFile_;  // open while the dialog is shown
  std::vector<std::string> nonActive_;
  std::vector<std::string> active_;
  bool loading_ = false;  // a job is being loaded into the editor
};

}  // namespace ui
}  // namespace tandrel
