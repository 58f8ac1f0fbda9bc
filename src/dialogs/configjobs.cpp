#include "dialogs/configjobs.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <functional>

#include "dialogs/artwork.h"
#include "dialogs/form_support.h"
#include "ui/jobs_dialog_layout.h"

namespace tandrel {
namespace {

using ui::CheckBox;
using ui::Glyph;
using ui::GlyphIcon;
using ui::GroupBox;
using ui::Label;
using ui::PictureButton;
using ui::Place;

namespace layout = ui::jobs_layout;

// A list box as the dialog needs it: one selected entry at a time, a click
// event on every mouse click on an entry and on every selection change from
// the keyboard; no click clears the selection, neither one beside the
// entries nor a Ctrl+click on the selected one.
class JobListBox : public QListWidget {
 public:
  explicit JobListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    connect(this, &QAbstractItemView::clicked, this, [this] { Clicked(); });
  }

  std::function<void()> onClick;

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (!indexAt(event->position().toPoint()).isValid()) {
      setFocus(Qt::MouseFocusReason);
      return;
    }
    QListWidget::mousePressEvent(event);
  }

  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event) const override {
    const auto flags = QListWidget::selectionCommand(index, event);
    return index.isValid() && flags.testFlag(QItemSelectionModel::Deselect)
               ? QItemSelectionModel::ClearAndSelect
               : flags;
  }

  void keyPressEvent(QKeyEvent* event) override {
    const int before = SelectedRow();
    QListWidget::keyPressEvent(event);
    if (SelectedRow() != before) Clicked();
  }

 private:
  int SelectedRow() const {
    const auto selected = selectedItems();
    return selected.isEmpty() ? -1 : row(selected.first());
  }
  void Clicked() {
    if (onClick) onClick();
  }
};

// Entries 13 pixels high, as many as fit the list box's fixed height.
class FixedHeightDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), layout::kItemHeight};
  }
};

QLineEdit* Edit(QWidget* parent, const char* name, const ui::Rect& place) {
  return Place(new QLineEdit(parent), name, place);
}

// Tool buttons take no focus: they are clicked, never tabbed to.
QToolButton* SpeedButton(QWidget* parent, const char* name, Glyph glyph, const ui::Rect& place) {
  auto* button = Place(new QToolButton(parent), name, place);
  button->setIcon(GlyphIcon(glyph));
  button->setIconSize(QSize(ui::kGlyphSize, ui::kGlyphSize));
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

JobListBox* ListBox(QWidget* parent, const char* name) {
  auto* box = Place(new JobListBox(parent), name, layout::kList);
  box->setItemDelegate(new FixedHeightDelegate(box));
  return box;
}

}  // namespace

TfConfigJobs::TfConfigJobs(const std::string& configPath, QWidget* parent)
    : QDialog(parent), editor_(configPath, *this, prompter_) {
  BuildWindow();
}

TfConfigJobs::~TfConfigJobs() = default;

void TfConfigJobs::BuildWindow() {
  setObjectName(QStringLiteral("fConfigJobs"));
  setWindowTitle(QStringLiteral("Configuration Jobs"));
  setWindowFlags(ui::kMinimisableDialogFlags);
  ui::BlockOnlyTheMainWindow(this);
  setFont(ui::FormFont());

  auto* menuBar = new QMenuBar(this);
  menuBar->setObjectName(QStringLiteral("MainMenu1"));
  QMenu* fileMenu = menuBar->addMenu(QStringLiteral("File"));
  fileMenu->setObjectName(QStringLiteral("mFile1"));
  QAction* mClose = fileMenu->addAction(QStringLiteral("Close"));
  mClose->setObjectName(QStringLiteral("mClose"));
  QMenu* jobMenu = menuBar->addMenu(QStringLiteral("Job"));
  jobMenu->setObjectName(QStringLiteral("Item1"));
  QAction* mSaveNonActive1 = jobMenu->addAction(QStringLiteral("Save Non active"));
  mSaveNonActive1->setObjectName(QStringLiteral("mSaveNonActive1"));
  QAction* mDeleteNonActive1 = jobMenu->addAction(QStringLiteral("Delete Non active"));
  mDeleteNonActive1->setObjectName(QStringLiteral("mDeleteNonActive1"));
  jobMenu->addSeparator()->setObjectName(QStringLiteral("N4"));
  QAction* mSaveActive1 = jobMenu->addAction(QStringLiteral("Save Active"));
  mSaveActive1->setObjectName(QStringLiteral("mSaveActive1"));
  QAction* mDeleteActive1 = jobMenu->addAction(QStringLiteral("Delete Active"));
  mDeleteActive1->setObjectName(QStringLiteral("mDeleteActive1"));
  jobMenu->addSeparator()->setObjectName(QStringLiteral("N3"));
  QAction* mMoveToActive1 = jobMenu->addAction(QStringLiteral("Move to Active"));
  mMoveToActive1->setObjectName(QStringLiteral("mMoveToActive1"));
  QAction* mMoveToNonActive1 = jobMenu->addAction(QStringLiteral("Move to Non active"));
  mMoveToNonActive1->setObjectName(QStringLiteral("mMoveToNonActive1"));
  const int menuHeight = menuBar->sizeHint().height();
  menuBar->setGeometry(0, 0, layout::kClientWidth, menuHeight);

  // The client area below the menu bar; every position is measured from it.
  auto* client =
      Place(new QWidget(this), "client", {0, menuHeight, layout::kClientWidth, layout::kClientHeight});

  QGroupBox* gbJob = GroupBox(client, "gbJob", layout::kJobBox);
  Label(gbJob, "lName", layout::kNameLabel);
  eJobName_ = Edit(gbJob, "eJobName", layout::kNameField);
  Label(gbJob, "lFrom", layout::kSourceLabel);
  eSource_ = Edit(gbJob, "eSource", layout::kSourceField);
  QToolButton* sbFrom = SpeedButton(gbJob, "sbFrom", Glyph::OpenFolder, layout::kBrowseSource);
  Label(gbJob, "lTo", layout::kDestinationLabel);
  eDest_ = Edit(gbJob, "eDest", layout::kDestinationField);
  QToolButton* sbTo = SpeedButton(gbJob, "sbTo", Glyph::OpenFolder, layout::kBrowseDestination);
  Label(gbJob, "lFileMask", layout::kFileMaskLabel);
  eFileMask_ = Edit(gbJob, "eFileMask", layout::kFileMaskField);
  eFileMask_->setText(QStringLiteral("*.*"));
  cbAlways_ = CheckBox(gbJob, "cbAlways", layout::kAlways);
  cbHandleAsServer_ = CheckBox(gbJob, "cbHandleAsServer", layout::kHandleAsServer);
  cbHandleAsServer_->setToolTip(QString::fromLatin1(layout::kHandleAsServerHint));
  cbHandleAsClient_ = CheckBox(gbJob, "cbHandleAsClient", layout::kHandleAsClient);
  cbHandleAsClient_->setToolTip(QString::fromLatin1(layout::kHandleAsClientHint));
  cbIncludeSubDirs_ = CheckBox(gbJob, "cbIncludeSubDirs", layout::kIncludeSubDirs);
  cbDelEmptySubDirs_ = CheckBox(gbJob, "cbDelEmptySubDirs", layout::kDeleteEmptySubDirs);
  cbCleanupDest_ = CheckBox(gbJob, "cb_CleanupDest", layout::kCleanupDestination);
  cbVerify_ = CheckBox(gbJob, "cb_Verify", layout::kVerify);

  QGroupBox* gbNonActive = GroupBox(client, "gbNonActive", layout::kNonActiveBox);
  QPushButton* bSaveNonActive =
      PictureButton(gbNonActive, "bSaveNonActive", Glyph::Save, layout::kSaveNonActive);
  QPushButton* bDelNonActive =
      PictureButton(gbNonActive, "bDelNonActive", Glyph::WasteBin, layout::kDeleteNonActive);
  JobListBox* lbNonActive = ListBox(gbNonActive, "lbNonActive");
  lbNonActive_ = lbNonActive;

  QGroupBox* gbMove = GroupBox(client, "gbMove", layout::kMoveBox);
  QPushButton* bb2Active = PictureButton(gbMove, "bb2Active", Glyph::HandRight, layout::kToActive);
  QPushButton* bb2NonActive = PictureButton(gbMove, "bb2NonActive", Glyph::HandLeft, layout::kToNonActive);
  QPushButton* bbSluiten = PictureButton(gbMove, "bbSluiten", Glyph::Door, layout::kClose);

  QGroupBox* gbActive = GroupBox(client, "gbActive", layout::kActiveBox);
  QPushButton* bSaveActive = PictureButton(gbActive, "bSaveActive", Glyph::Save, layout::kSaveActive);
  QPushButton* bDelActive = PictureButton(gbActive, "bDelActive", Glyph::WasteBin, layout::kDeleteActive);
  JobListBox* lbActive = ListBox(gbActive, "lbActive");
  lbActive_ = lbActive;
  QToolButton* speedButton1 = SpeedButton(gbActive, "SpeedButton1", Glyph::HandUp, layout::kMoveUp);
  QToolButton* speedButton2 = SpeedButton(gbActive, "SpeedButton2", Glyph::HandDown, layout::kMoveDown);

  sbConfig_ = Place(new QStatusBar(client), "sbConfig", layout::kStatusBar);
  sbConfig_->setSizeGripEnabled(false);

  ui::FitCaptions(this);
  setFixedSize(layout::kClientWidth, menuHeight + layout::kClientHeight);

  // The tab order within the job box, then the boxes below in their order.
  QWidget* tabOrder[] = {
      eJobName_,         eSource_,           eDest_,     cbAlways_,      cbHandleAsServer_, cbHandleAsClient_,
      cbIncludeSubDirs_, cbDelEmptySubDirs_, eFileMask_, cbCleanupDest_, cbVerify_,         bSaveNonActive,
      bDelNonActive,     lbNonActive_,       bb2Active,  bb2NonActive,   bbSluiten,         bSaveActive,
      bDelActive,        lbActive_};
  for (size_t i = 1; i < std::size(tabOrder); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);

  // Each command shows its own errors.
  const auto command = [this](void (TfConfigJobs::*handler)()) {
    return [this, handler] { (this->*handler)(); };
  };
  connect(mClose, &QAction::triggered, this, command(&TfConfigJobs::mCloseClick));
  connect(mSaveNonActive1, &QAction::triggered, this, command(&TfConfigJobs::mSaveNonActive1Click));
  connect(mDeleteNonActive1, &QAction::triggered, this, command(&TfConfigJobs::mDeleteNonActive1Click));
  connect(mSaveActive1, &QAction::triggered, this, command(&TfConfigJobs::mSaveActive1Click));
  connect(mDeleteActive1, &QAction::triggered, this, command(&TfConfigJobs::mDeleteActive1Click));
  connect(mMoveToActive1, &QAction::triggered, this, command(&TfConfigJobs::mMoveToActive1Click));
  connect(mMoveToNonActive1, &QAction::triggered, this, command(&TfConfigJobs::mMoveToNonActive1Click));
  connect(sbFrom, &QToolButton::clicked, this, command(&TfConfigJobs::sbFromClick));
  connect(sbTo, &QToolButton::clicked, this, command(&TfConfigJobs::sbToClick));
  connect(cbHandleAsClient_, &QCheckBox::toggled, this, command(&TfConfigJobs::cbHandleAsClientClick));
  connect(bSaveNonActive, &QPushButton::clicked, this, command(&TfConfigJobs::mSaveNonActive1Click));
  connect(bDelNonActive, &QPushButton::clicked, this, command(&TfConfigJobs::mDeleteNonActive1Click));
  lbNonActive->onClick = command(&TfConfigJobs::lbNonActiveClick);
  connect(lbNonActive, &QListWidget::itemDoubleClicked, this, command(&TfConfigJobs::mMoveToActive1Click));
  connect(bb2Active, &QPushButton::clicked, this, command(&TfConfigJobs::mMoveToActive1Click));
  connect(bb2NonActive, &QPushButton::clicked, this, command(&TfConfigJobs::mMoveToNonActive1Click));
  connect(bbSluiten, &QPushButton::clicked, this, command(&TfConfigJobs::mCloseClick));
  connect(bSaveActive, &QPushButton::clicked, this, command(&TfConfigJobs::mSaveActive1Click));
  connect(bDelActive, &QPushButton::clicked, this, command(&TfConfigJobs::mDeleteActive1Click));
  lbActive->onClick = command(&TfConfigJobs::lbActiveClick);
  connect(lbActive, &QListWidget::itemDoubleClicked, this, command(&TfConfigJobs::mMoveToNonActive1Click));
  connect(speedButton1, &QToolButton::clicked, this, command(&TfConfigJobs::SpeedButton1Click));
  connect(speedButton2, &QToolButton::clicked, this, command(&TfConfigJobs::SpeedButton2Click));
}

void TfConfigJobs::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // A window restored from its minimised state is not shown anew.
  if (event->spontaneous()) return;
  ui::CentreOnMainWindow(this);
  editor_.Shown();
}

void TfConfigJobs::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (event->spontaneous()) return;
  editor_.Hidden();
}

void TfConfigJobs::cbHandleAsClientClick() { editor_.HandleAsClientClick(cbHandleAsClient_->isChecked()); }

JobRecord TfConfigJobs::EditorRecord() const {
  JobRecord job;
  job.name = ui::FileText(eJobName_->text());
  job.source = ui::FileText(eSource_->text());
  job.destination = ui::FileText(eDest_->text());
  job.fileMask = ui::FileText(eFileMask_->text());
  job.always = cbAlways_->isChecked();
  job.handleAsServer = cbHandleAsServer_->isChecked();
  job.handleAsClient = cbHandleAsClient_->isChecked();
  job.includeSubDirs = cbIncludeSubDirs_->isChecked();
  job.deleteEmptySubDirs = cbDelEmptySubDirs_->isChecked();
  job.cleanupDestination = cbCleanupDest_->isChecked();
  job.verify = cbVerify_->isChecked();
  return job;
}

void TfConfigJobs::ShowInEditor(const JobRecord& job) {
  eJobName_->setText(ui::EditorText(job.name));
  eSource_->setText(ui::EditorText(job.source));
  eDest_->setText(ui::EditorText(job.destination));
  eFileMask_->setText(ui::EditorText(job.fileMask));
  cbAlways_->setChecked(job.always);
  cbHandleAsServer_->setChecked(job.handleAsServer);
  cbHandleAsClient_->setChecked(job.handleAsClient);
  cbIncludeSubDirs_->setChecked(job.includeSubDirs);
  cbDelEmptySubDirs_->setChecked(job.deleteEmptySubDirs);
  cbCleanupDest_->setChecked(job.cleanupDestination);
  cbVerify_->setChecked(job.verify);
}

void TfConfigJobs::ShowSource(const std::string& folder) { eSource_->setText(ui::EditorText(folder)); }

void TfConfigJobs::ShowDestination(const std::string& folder) { eDest_->setText(ui::EditorText(folder)); }

QListWidget* TfConfigJobs::Box(List list) const { return list == List::Active ? lbActive_ : lbNonActive_; }

void TfConfigJobs::ShowEntries(List list, const std::vector<std::string>& names) {
  QListWidget* box = Box(list);
  box->clear();
  for (const std::string& name : names) box->addItem(ui::EditorText(name));
}

void TfConfigJobs::AddEntry(List list, const std::string& name) { Box(list)->addItem(ui::EditorText(name)); }

void TfConfigJobs::RemoveEntry(List list, int row) { delete Box(list)->takeItem(row); }

void TfConfigJobs::MoveEntry(List list, int from, int to) {
  QListWidget* box = Box(list);
  box->insertItem(to, box->takeItem(from));
}

int TfConfigJobs::SelectedRow(List list) const {
  const QList<QListWidgetItem*> selected = Box(list)->selectedItems();
  return selected.isEmpty() ? -1 : Box(list)->row(selected.first());
}

void TfConfigJobs::SelectRow(List list, int row) {
  QListWidget* box = Box(list);
  if (row < 0) {
    box->setCurrentItem(nullptr);
  } else {
    box->setCurrentItem(box->item(row), QItemSelectionModel::ClearAndSelect);
  }
}

void TfConfigJobs::ShowStatus(const std::string& text) {
  if (text.empty()) {
    sbConfig_->clearMessage();
  } else {
    sbConfig_->showMessage(ui::EditorText(text));
  }
}

}  // namespace tandrel
