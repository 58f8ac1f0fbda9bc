// The jobs dialog's decisions on a real configuration file, through a view
// that holds the fields and lists as plain data and raises the client
// switch's event when it changes, as a toolkit does.

#include "ui/jobs_editor.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "config/ini_file.h"
#include "scripted_prompter.h"
#include "testsupport/temp_dir.h"

namespace tandrel {
namespace {

using Names = std::vector<std::string>;
using ui::JobList;
constexpr JobList kNonActive = JobList::NonActive;
constexpr JobList kActive = JobList::Active;

class FakeJobsView : public ui::JobsView {
 public:
  ui::JobsEditor* editor = nullptr;
  JobRecord fields;
  Names entries[2];
  int selected[2] = {-1, -1};
  std::string status;

  JobRecord EditorRecord() const override { return fields; }
  void ShowInEditor(const JobRecord& job) override {
    const bool changed = job.handleAsClient != fields.handleAsClient;
    fields = job;
    if (changed) editor->HandleAsClientClick(job.handleAsClient);
  }
  void ShowSource(const std::string& folder) override { fields.source = folder; }
  void ShowDestination(const std::string& folder) override { fields.destination = folder; }
  void ShowEntries(JobList list, const Names& names) override {
    Of(entries, list) = names;
    Of(selected, list) = -1;
  }
  void AddEntry(JobList list, const std::string& name) override { Of(entries, list).push_back(name); }
  void RemoveEntry(JobList list, int row) override {
    Of(entries, list).erase(Of(entries, list).begin() + row);
  }
  void MoveEntry(JobList list, int from, int to) override {
    std::swap(Of(entries, list)[from], Of(entries, list)[to]);
  }
  int SelectedRow(JobList list) const override { return selected[static_cast<int>(list)]; }
  void SelectRow(JobList list, int row) override { Of(selected, list) = row; }
  void ShowStatus(const std::string& text) override { status = text; }

  template <typename T>
  static T& Of(T (&both)[2], JobList list) {
    return both[static_cast<int>(list)];
  }
};

class JobsEditorTest : public ::testing::Test {
 protected:
  JobsEditorTest() { view_.editor = &editor_; }

  // The configuration file, lines given with "\n".
  void Write(std::string text) {
    for (size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2) text.insert(at, "\r");
    test::WriteFile(config_, text);
  }
  Names FileList(const char* list) const { return ReadJobList(IniFile(config_), list); }
  JobRecord FileJob(const std::string& name) const { return ReadJob(IniFile(config_), name); }
  std::string Bytes() const { return test::ReadFile(config_); }
  Names& Entries(JobList list) { return FakeJobsView::Of(view_.entries, list); }
  void Click(JobList list, int row) {
    FakeJobsView::Of(view_.selected, list) = row;
    editor_.Select(list);
  }
  void Type(const char* name, const char* source, const char* destination) {
    view_.fields.name = name;
    view_.fields.source = source;
    view_.fields.destination = destination;
  }

  test::ScopedTempDir dir_;
  const std::string config_ = dir_ / "tandrel.cfg";
  FakeJobsView view_;
  test::ScriptedPrompter prompts_;
  ui::JobsEditor editor_{config_, view_, prompts_};
};

TEST_F(JobsEditorTest, SaveAppendsANewNameAndOnlyUpdatesAKnownOne) {
  Write("[NonActive Jobs]\n0=Photos\n[Photos]\nSource=/p\nKeep=me\n");
  editor_.Shown();
  Type("Docs", "/data/docs", "/backup/docs");
  view_.fields.fileMask = "*.txt";
  view_.fields.includeSubDirs = view_.fields.verify = true;
  editor_.Save(kActive);
  EXPECT_EQ(FileList(kActiveJobs), Names{"Docs"});
  EXPECT_EQ(Entries(kActive), Names{"Docs"});
  EXPECT_EQ(FileJob("Docs"), view_.fields);
  // Names of either list are only updated; differing in case they are
  // different entries of one section; line breaks become blanks.
  const std::pair<JobRecord, JobList> saves[] = {
      {{"Docs", "/data/documents", "/b"}, kActive},
      {{"Photos", "/pictures", "/q"}, kActive},
      {{"docs", "/c", "/d"}, kActive},
      {{"", "/e", "/f"}, kNonActive},
      {{"Two\nlines", "/a\r\nb", "/c"}, kNonActive},
  };
  for (const auto& [job, list] : saves) {
    view_.fields = job;
    editor_.Save(list);
  }
  EXPECT_EQ(FileList(kActiveJobs), (Names{"Docs", "docs"}));
  EXPECT_EQ(FileList(kNonActiveJobs), (Names{"Photos", "", "Two lines"}));
  EXPECT_EQ(Entries(kActive), FileList(kActiveJobs));
  EXPECT_EQ(Entries(kNonActive), FileList(kNonActiveJobs));
  EXPECT_EQ(FileJob("Docs").source, "/c");
  EXPECT_EQ(FileJob("Photos").source, "/pictures");
  EXPECT_EQ(IniFile(config_).ReadString("Photos", "Keep", "-"), "me");  // the section is not erased
  EXPECT_EQ(FileJob("").source, "/e");
  EXPECT_EQ(FileJob("Two lines").source, "/a  b");
  // The status line says so from the Save of "Photos" until the next showing.
  EXPECT_EQ(view_.status, ui::JobsEditor::kFoundInOtherList);
  editor_.Hidden();
  editor_.Shown();
  EXPECT_EQ(view_.status, "");
}

TEST_F(JobsEditorTest, DeleteAndMoveTakeTheSelectedEntry) {
  Write("[NonActive Jobs]\n0=A\n1=B\n2=C\n[Active Jobs]\n0=D\n[A]\nSource=/a\n[B]\nSource=/b\nAlways=1\n");
  editor_.Shown();
  Click(kNonActive, 1);
  EXPECT_EQ(view_.fields.name, "B");
  editor_.Delete(kNonActive);
  EXPECT_EQ(FileList(kNonActiveJobs), (Names{"A", "C"}));
  EXPECT_EQ(Entries(kNonActive), (Names{"A", "C"}));
  EXPECT_EQ(IniFile(config_).ReadString("B", "Source", "gone"), "gone");
  EXPECT_EQ(view_.selected[0], -1);
  // The editor still holds the deleted job: Save brings it back.
  editor_.Save(kActive);
  EXPECT_EQ(FileJob("B"), view_.fields);
  EXPECT_TRUE(FileJob("B").always);

  Click(kNonActive, 0);
  editor_.MoveToOtherList(kNonActive);
  Click(kActive, 0);
  editor_.MoveToOtherList(kActive);
  EXPECT_EQ(FileList(kNonActiveJobs), (Names{"C", "D"}));
  EXPECT_EQ(FileList(kActiveJobs), (Names{"B", "A"}));
  EXPECT_EQ(Entries(kNonActive), (Names{"C", "D"}));
  EXPECT_EQ(Entries(kActive), (Names{"B", "A"}));
  EXPECT_EQ(FileJob("A").source, "/a");  // the section moves with it
  EXPECT_EQ(view_.selected[0], -1);
  EXPECT_EQ(view_.selected[1], -1);
}

TEST_F(JobsEditorTest, MoveUpAndDownFollowTheSelection) {
  Write("[Active Jobs]\n0=A\n1=B\n2=C\n");
  editor_.Shown();
  struct Step {
    void (ui::JobsEditor::*move)();
    Names order;
    int selected;
  };
  const Step steps[] = {
      {&ui::JobsEditor::MoveUp, {"A", "C", "B"}, 1},   {&ui::JobsEditor::MoveUp, {"C", "A", "B"}, 0},
      {&ui::JobsEditor::MoveUp, {"C", "A", "B"}, 0},  // already first
      {&ui::JobsEditor::MoveDown, {"A", "C", "B"}, 1}, {&ui::JobsEditor::MoveDown, {"A", "B", "C"}, 2},
      {&ui::JobsEditor::MoveDown, {"A", "B", "C"}, 2},  // already last
  };
  view_.selected[1] = 2;
  Names order = {"A", "B", "C"};
  for (const Step& step : steps) {
    const std::string before = Bytes();
    (editor_.*step.move)();
    EXPECT_EQ(FileList(kActiveJobs), step.order);
    EXPECT_EQ(Entries(kActive), step.order);
    EXPECT_EQ(view_.selected[1], step.selected);
    EXPECT_EQ(Bytes() == before, step.order == order) << "a move at the end writes nothing";
    order = step.order;
  }
}

TEST_F(JobsEditorTest, WithoutASelectionOrWhileHiddenNothingChanges) {
  Type("X", "/x", "/y");
  editor_.Save(kActive);  // hidden
  EXPECT_FALSE(test::Exists(config_));
  Write("[NonActive Jobs]\n0=A\n[Active Jobs]\n0=B\n1=C\n[A]\nSource=/a\n");
  editor_.Shown();
  const std::string before = Bytes();
  for (JobList list : {kNonActive, kActive}) {
    editor_.Delete(list);
    editor_.MoveToOtherList(list);
    editor_.Select(list);
  }
  editor_.MoveUp();
  editor_.MoveDown();
  EXPECT_EQ(Bytes(), before);
  EXPECT_EQ(Entries(kNonActive), Names{"A"});
  EXPECT_EQ(Entries(kActive), (Names{"B", "C"}));
  EXPECT_EQ(view_.fields.name, "X");
}

TEST_F(JobsEditorTest, TheClientWarningShowsForTheUsersSwitchAndNonActiveJobsOnly) {
  Write(
      "[NonActive Jobs]\n0=N\n1=Plain\n[Active Jobs]\n0=A\n[N]\nHandle As Client=1\n[A]\nHandle As "
      "Client=1\n");
  editor_.Shown();
  const auto warnings = [this] { return prompts_.asked.size(); };
  Click(kNonActive, 0);
  ASSERT_EQ(warnings(), 1u);
  EXPECT_EQ(prompts_.asked[0],
            (ui::Question{" Warning: \"Handle \"From\" as client\" can delete files",
                          "Deleted files on the \"To\" directory are deleted in the \"From\" "
                          "directory as well\n\nPress OK to continue",
                          ui::BoxIcon::Warning, ui::BoxButtons::Ok, ui::Button::Ok}));
  Click(kNonActive, 1);  // a job without a section
  EXPECT_EQ(view_.fields, (JobRecord{"Plain", "_error_", "_error_", "*.*"}));
  Click(kActive, 0);
  EXPECT_EQ(warnings(), 1u);
  EXPECT_TRUE(view_.fields.handleAsClient);
  Click(kNonActive, 0);  // the switch was set already
  EXPECT_EQ(warnings(), 1u);
  editor_.HandleAsClientClick(false);
  EXPECT_EQ(warnings(), 1u);
  editor_.HandleAsClientClick(true);
  EXPECT_EQ(warnings(), 2u);
}

TEST_F(JobsEditorTest, FolderBrowsersStartAtTheirFieldsFolderWhenItExists) {
  editor_.Shown();
  view_.fields.source = view_.fields.destination = dir_.path();
  prompts_.folders = {"/chosen/source", "", "/chosen/dest"};
  editor_.BrowseSource();
  EXPECT_EQ(view_.fields.source, "/chosen/source");
  editor_.BrowseSource();  // cancelled
  EXPECT_EQ(view_.fields.source, "/chosen/source");
  editor_.BrowseDestination();
  EXPECT_EQ(view_.fields.destination, "/chosen/dest");
  // The second browse starts nowhere: "/chosen/source" does not exist.
  EXPECT_EQ(prompts_.browseStarts, (Names{dir_.path(), "", dir_.path()}));
}

TEST_F(JobsEditorTest, AFailedWriteStopsTheCommandAndIsShown) {
  // The second job is listed without a section: erasing it needs no write,
  // renumbering the list does, and the entry has left the list by then.
  Write("[NonActive Jobs]\n0=A\n1=B\n[A]\nSource=/a\n");
  test::MakeReadOnly(config_);
  editor_.Shown();
  const std::string before = Bytes();
  Type("New", "/n", "/m");
  editor_.Save(kNonActive);
  Click(kNonActive, 0);
  editor_.Delete(kNonActive);
  EXPECT_EQ(Entries(kNonActive), (Names{"A", "B"}));
  Click(kNonActive, 1);
  editor_.Delete(kNonActive);
  EXPECT_EQ(Entries(kNonActive), Names{"A"});
  EXPECT_EQ(prompts_.errors, Names(3, "Unable to write to " + config_ + "."));
  EXPECT_EQ(Bytes(), before);
}

TEST_F(JobsEditorTest, EachShowingReadsTheListsAnewAndKeepsTheEditor) {
  Write("[Active Jobs]\n0=A\n[A]\nSource=/a\n");
  editor_.Shown();
  Click(kActive, 0);
  editor_.Hidden();
  Write("[Active Jobs]\n0=X\n1=Y\n[NonActive Jobs]\n0=Z\n");
  view_.selected[1] = 0;
  editor_.Shown();
  EXPECT_EQ(Entries(kActive), (Names{"X", "Y"}));
  EXPECT_EQ(Entries(kNonActive), Names{"Z"});
  EXPECT_EQ(view_.selected[1], -1);
  EXPECT_EQ(view_.fields.name, "A");
  EXPECT_EQ(view_.fields.source, "/a");
}

}  // namespace
}  // namespace tandrel
