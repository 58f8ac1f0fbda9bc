#include "ui/jobs_editor.h"

#include <utility>

#include "config/ini_file.h"
#include "platform/folders.h"
#include "support/text_lines.h"

namespace tandrel::ui {
namespace {

const char* Section(JobList list) { return list == JobList::Active ? kActiveJobs : kNonActiveJobs; }
JobList Other(JobList list) { return list == JobList::Active ? JobList::NonActive : JobList::Active; }
int Count(const std::vector<std::string>& names) { return static_cast<int>(names.size()); }

JobRecord OneLineRecord(JobRecord job) {
  for (std::string* text : {&job.name, &job.source, &job.destination, &job.fileMask}) *text = OneLine(*text);
  return job;
}

}  // namespace

const char* const JobsEditor::kFoundInOtherList = "Item found in other list, not added, only updated";
const Question JobsEditor::kClientWarning = {" Warning: \"Handle \"From\" as client\" can delete files",
                                             "Deleted files on the \"To\" directory are deleted in the "
                                             "\"From\" directory as well\n\nPress OK to continue",
                                             BoxIcon::Warning, BoxButtons::Ok, Button::Ok};

JobsEditor::JobsEditor(std::string configPath, JobsView& view, Prompter& prompter)
    : configPath_(std::move(configPath)), view_(view), prompter_(prompter) {}

JobsEditor::~JobsEditor() = default;

template <typename Step>
void JobsEditor::Command(Step step) {
  if (iniFile_) Guarded(prompter_, step);
}

void JobsEditor::Shown() {
  Guarded(prompter_, [this] {
    view_.ShowStatus("");
    iniFile_ = std::make_unique<IniFile>(configPath_);
    for (JobList list : {JobList::NonActive, JobList::Active}) {
      Names(list) = ReadJobList(*iniFile_, Section(list));
      view_.ShowEntries(list, Names(list));
    }
  });
}

void JobsEditor::Hidden() { iniFile_.reset(); }

void JobsEditor::Save(JobList list) {
  Command([this, list] { SaveInto(list); });
}
void JobsEditor::Delete(JobList list) {
  Command([this, list] { DeleteFrom(list); });
}
void JobsEditor::MoveToOtherList(JobList from) {
  Command([this, from] { MoveFrom(from); });
}
void JobsEditor::MoveUp() {
  Command([this] { MoveActive(-1); });
}
void JobsEditor::MoveDown() {
  Command([this] { MoveActive(+1); });
}
void JobsEditor::Select(JobList list) {
  Command([this, list] { Load(list); });
}

void JobsEditor::SaveInto(JobList own) {
  const JobRecord job = OneLineRecord(view_.EditorRecord());
  if (FindInList(*iniFile_, Section(own), Count(Names(own)), job.name) < 0) {
    if (FindInList(*iniFile_, Section(Other(own)), Count(Names(Other(own))), job.name) < 0) {
      AppendToList(*iniFile_, Section(own), Count(Names(own)), job.name);
      Names(own).push_back(job.name);
      view_.AddEntry(own, job.name);
    } else {
      view_.ShowStatus(kFoundInOtherList);
    }
  }
  WriteJob(*iniFile_, job);
}

void JobsEditor::DeleteFrom(JobList own) {
  const int position = view_.SelectedRow(own);
  if (position < 0) return;
  // The entry leaves the list once the job's section is gone, even when
  // renumbering the list fails after that.
  DeleteJob(*iniFile_, Section(own), Count(Names(own)), position, NameAt(own, position),
            [this, own, position] {
              Names(own).erase(Names(own).begin() + position);
              view_.RemoveEntry(own, position);
              view_.SelectRow(own, -1);  // nothing is selected after the removal
            });
}

void JobsEditor::MoveFrom(JobList source) {
  const int position = view_.SelectedRow(source);
  if (position < 0) return;
  const JobList target = Other(source);
  const std::string name = NameAt(source, position);
  const int sourceCount = Count(Names(source));
  Names(source).erase(Names(source).begin() + position);
  view_.RemoveEntry(source, position);
  view_.SelectRow(source, -1);
  MoveJob(*iniFile_, Section(source), sourceCount, position, Section(target), Count(Names(target)));
  Names(target).push_back(name);
  view_.AddEntry(target, name);
}

void JobsEditor::MoveActive(int step) {
  const int position = view_.SelectedRow(JobList::Active);
  const int neighbour = position + step;
  // The first entry cannot move up, the last one not down.
  if (position < 0 || neighbour < 0 || neighbour >= Count(active_)) return;
  std::swap(active_[position], active_[neighbour]);
  view_.MoveEntry(JobList::Active, position, neighbour);
  view_.SelectRow(JobList::Active, neighbour);
  ExchangeInList(*iniFile_, kActiveJobs, position, neighbour);
}

void JobsEditor::Load(JobList list) {
  const int position = view_.SelectedRow(list);
  if (position < 0) return;
  const bool clientBefore = view_.EditorRecord().handleAsClient;
  const JobRecord job = ReadJob(*iniFile_, NameAt(list, position));
  {
    // The editor's own events while it is filled are not the user's.
    struct Reset {
      bool& flag;
      ~Reset() { flag = false; }
    } reset{loading_};
    loading_ = true;
    view_.ShowInEditor(job);
  }
  // A non-active job that switches the client mode on warns as a click
  // would; an active job never does.
  if (list == JobList::NonActive && job.handleAsClient && !clientBefore) prompter_.Ask(kClientWarning);
}

void JobsEditor::HandleAsClientClick(bool checked) {
  if (!checked || loading_) return;
  Command([this] { prompter_.Ask(kClientWarning); });
}

void JobsEditor::BrowseSource() {
  Command([this] { Browse("Select source directory", view_.EditorRecord().source, &JobsView::ShowSource); });
}

void JobsEditor::BrowseDestination() {
  Command([this] {
    Browse("Select destination directory", view_.EditorRecord().destination, &JobsView::ShowDestination);
  });
}

void JobsEditor::Browse(const char* caption, const std::string& field,
                        void (JobsView::*show)(const std::string&)) {
  // The browser starts at the field's folder when that exists; elsewhere it
  // would open on a folder that is not there.
  const bool exists = !field.empty() && platform::DirectoryExists(OneLine(field), true);
  const std::string folder = prompter_.BrowseForFolder(caption, exists ? field : std::string());
  if (!folder.empty()) (view_.*show)(folder);
}

const std::vector<std::string>& JobsEditor::Entries(JobList list) const {
  return list == JobList::Active ? active_ : nonActive_;
}

std::vector<std::string>& JobsEditor::Names(JobList list) {
  return list == JobList::Active ? active_ : nonActive_;
}

std::string JobsEditor::NameAt(JobList list, int position) const {
  return iniFile_->ReadString(Section(list), std::to_string(position), kMissing);
}

}  // namespace tandrel::ui
