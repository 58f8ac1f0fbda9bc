#include "dialogs/jobs_dialog.h"

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
QToolButton* ToolButton(QWidget* parent, const char* name, Glyph glyph, const ui::Rect& place) {
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

JobsDialog::JobsDialog(const std::string& configPath, QWidget* parent)
    : QDialog(parent), editor_(configPath, *this, prompter_) {
  BuildWindow();
}

JobsDialog::~JobsDialog() = default;

void JobsDialog::BuildWindow() {
  ui::SetUpConfigurationDialog(this, QStringLiteral("Configuration Jobs"));
  QAction* closeItem = nullptr;
  QMenuBar* menuBar = ui::MenuBarWithClose(this, closeItem);
  QMenu* jobMenu = menuBar->addMenu(QStringLiteral("Job"));
  QAction* saveNonActiveItem = jobMenu->addAction(QStringLiteral("Save Non active"));
  saveNonActiveItem->setObjectName(QStringLiteral("saveNonActiveItem"));
  QAction* deleteNonActiveItem = jobMenu->addAction(QStringLiteral("Delete Non active"));
  deleteNonActiveItem->setObjectName(QStringLiteral("deleteNonActiveItem"));
  jobMenu->addSeparator();
  QAction* saveActiveItem = jobMenu->addAction(QStringLiteral("Save Active"));
  saveActiveItem->setObjectName(QStringLiteral("saveActiveItem"));
  QAction* deleteActiveItem = jobMenu->addAction(QStringLiteral("Delete Active"));
  deleteActiveItem->setObjectName(QStringLiteral("deleteActiveItem"));
  jobMenu->addSeparator();
  QAction* moveToActiveItem = jobMenu->addAction(QStringLiteral("Move to Active"));
  moveToActiveItem->setObjectName(QStringLiteral("moveToActiveItem"));
  QAction* moveToNonActiveItem = jobMenu->addAction(QStringLiteral("Move to Non active"));
  moveToNonActiveItem->setObjectName(QStringLiteral("moveToNonActiveItem"));
  const int menuHeight = menuBar->sizeHint().height();
  menuBar->setGeometry(0, 0, layout::kClientWidth, menuHeight);

  // The client area below the menu bar; every position is measured from it.
  auto* client = Place(new QWidget(this), {0, menuHeight, layout::kClientWidth, layout::kClientHeight});

  QGroupBox* jobBox = GroupBox(client, layout::kJobBox);
  Label(jobBox, "nameLabel", layout::kNameLabel);
  nameField_ = Edit(jobBox, "nameField", layout::kNameField);
  Label(jobBox, "sourceLabel", layout::kSourceLabel);
  sourceField_ = Edit(jobBox, "sourceField", layout::kSourceField);
  QToolButton* browseFrom = ToolButton(jobBox, "browseFromButton", Glyph::OpenFolder, layout::kBrowseSource);
  Label(jobBox, "destinationLabel", layout::kDestinationLabel);
  destinationField_ = Edit(jobBox, "destinationField", layout::kDestinationField);
  QToolButton* browseTo = ToolButton(jobBox, "browseToButton", Glyph::OpenFolder, layout::kBrowseDestination);
  Label(jobBox, "fileMaskLabel", layout::kFileMaskLabel);
  fileMaskField_ = Edit(jobBox, "fileMaskField", layout::kFileMaskField);
  fileMaskField_->setText(QStringLiteral("*.*"));
  always_ = CheckBox(jobBox, "always", layout::kAlways);
  handleAsServer_ = CheckBox(jobBox, "handleAsServer", layout::kHandleAsServer);
  handleAsServer_->setToolTip(QString::fromLatin1(layout::kHandleAsServerHint));
  handleAsClient_ = CheckBox(jobBox, "handleAsClient", layout::kHandleAsClient);
  handleAsClient_->setToolTip(QString::fromLatin1(layout::kHandleAsClientHint));
  includeSubDirs_ = CheckBox(jobBox, "includeSubDirs", layout::kIncludeSubDirs);
  deleteEmptySubDirs_ = CheckBox(jobBox, "deleteEmptySubDirs", layout::kDeleteEmptySubDirs);
  cleanupDestination_ = CheckBox(jobBox, "cleanupDestination", layout::kCleanupDestination);
  verify_ = CheckBox(jobBox, "verify", layout::kVerify);

  QGroupBox* nonActiveBox = GroupBox(client, layout::kNonActiveBox);
  QPushButton* saveNonActive =
      PictureButton(nonActiveBox, "saveNonActiveButton", Glyph::Save, layout::kSaveNonActive);
  QPushButton* deleteNonActive =
      PictureButton(nonActiveBox, "deleteNonActiveButton", Glyph::WasteBin, layout::kDeleteNonActive);
  JobListBox* nonActiveList = ListBox(nonActiveBox, "nonActiveList");
  nonActiveList_ = nonActiveList;

  QGroupBox* moveBox = GroupBox(client, layout::kMoveBox);
  QPushButton* toActive = PictureButton(moveBox, "toActiveButton", Glyph::HandRight, layout::kToActive);
  QPushButton* toNonActive =
      PictureButton(moveBox, "toNonActiveButton", Glyph::HandLeft, layout::kToNonActive);
  QPushButton* closeButton = PictureButton(moveBox, "closeButton", Glyph::Door, layout::kClose);

  QGroupBox* activeBox = GroupBox(client, layout::kActiveBox);
  QPushButton* saveActive = PictureButton(activeBox, "saveActiveButton", Glyph::Save, layout::kSaveActive);
  QPushButton* deleteActive =
      PictureButton(activeBox, "deleteActiveButton", Glyph::WasteBin, layout::kDeleteActive);
  JobListBox* activeList = ListBox(activeBox, "activeList");
  activeList_ = activeList;
  QToolButton* moveUp = ToolButton(activeBox, "moveUpButton", Glyph::HandUp, layout::kMoveUp);
  QToolButton* moveDown = ToolButton(activeBox, "moveDownButton", Glyph::HandDown, layout::kMoveDown);

  statusBar_ = Place(new QStatusBar(client), "statusBar", layout::kStatusBar);
  statusBar_->setSizeGripEnabled(false);

  ui::FitCaptions(this);
  setFixedSize(layout::kClientWidth, menuHeight + layout::kClientHeight);

  // The tab order within the job box, then the boxes below in their order.
  QWidget* tabOrder[] = {nameField_,      sourceField_,        destinationField_, always_,
                         handleAsServer_, handleAsClient_,     includeSubDirs_,   deleteEmptySubDirs_,
                         fileMaskField_,  cleanupDestination_, verify_,           saveNonActive,
                         deleteNonActive, nonActiveList_,      toActive,          toNonActive,
                         closeButton,     saveActive,          deleteActive,      activeList_};
  for (size_t i = 1; i < std::size(tabOrder); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);

  // Each command shows its own errors.
  const auto command = [this](void (JobsDialog::*handler)()) {
    return [this, handler] { (this->*handler)(); };
  };
  connect(closeItem, &QAction::triggered, this, command(&JobsDialog::CloseClicked));
  connect(saveNonActiveItem, &QAction::triggered, this, command(&JobsDialog::SaveNonActiveClicked));
  connect(deleteNonActiveItem, &QAction::triggered, this, command(&JobsDialog::DeleteNonActiveClicked));
  connect(saveActiveItem, &QAction::triggered, this, command(&JobsDialog::SaveActiveClicked));
  connect(deleteActiveItem, &QAction::triggered, this, command(&JobsDialog::DeleteActiveClicked));
  connect(moveToActiveItem, &QAction::triggered, this, command(&JobsDialog::MoveToActiveClicked));
  connect(moveToNonActiveItem, &QAction::triggered, this, command(&JobsDialog::MoveToNonActiveClicked));
  connect(browseFrom, &QToolButton::clicked, this, command(&JobsDialog::BrowseFromClicked));
  connect(browseTo, &QToolButton::clicked, this, command(&JobsDialog::BrowseToClicked));
  connect(handleAsClient_, &QCheckBox::toggled, this, command(&JobsDialog::HandleAsClientClicked));
  connect(saveNonActive, &QPushButton::clicked, this, command(&JobsDialog::SaveNonActiveClicked));
  connect(deleteNonActive, &QPushButton::clicked, this, command(&JobsDialog::DeleteNonActiveClicked));
  nonActiveList->onClick = command(&JobsDialog::NonActiveListClicked);
  connect(nonActiveList, &QListWidget::itemDoubleClicked, this, command(&JobsDialog::MoveToActiveClicked));
  connect(toActive, &QPushButton::clicked, this, command(&JobsDialog::MoveToActiveClicked));
  connect(toNonActive, &QPushButton::clicked, this, command(&JobsDialog::MoveToNonActiveClicked));
  connect(closeButton, &QPushButton::clicked, this, command(&JobsDialog::CloseClicked));
  connect(saveActive, &QPushButton::clicked, this, command(&JobsDialog::SaveActiveClicked));
  connect(deleteActive, &QPushButton::clicked, this, command(&JobsDialog::DeleteActiveClicked));
  activeList->onClick = command(&JobsDialog::ActiveListClicked);
  connect(activeList, &QListWidget::itemDoubleClicked, this, command(&JobsDialog::MoveToNonActiveClicked));
  connect(moveUp, &QToolButton::clicked, this, command(&JobsDialog::MoveUpClicked));
  connect(moveDown, &QToolButton::clicked, this, command(&JobsDialog::MoveDownClicked));
}

void JobsDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // A window restored from its minimised state is not shown anew.
  if (event->spontaneous()) return;
  ui::CentreOnMainWindow(this);
  editor_.Shown();
}

void JobsDialog::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (event->spontaneous()) return;
  editor_.Hidden();
}

void JobsDialog::HandleAsClientClicked() { editor_.HandleAsClientClick(handleAsClient_->isChecked()); }

JobRecord JobsDialog::EditorRecord() const {
  JobRecord job;
  job.name = ui::FileText(nameField_->text());
  job.source = ui::FileText(sourceField_->text());
  job.destination = ui::FileText(destinationField_->text());
  job.fileMask = ui::FileText(fileMaskField_->text());
  job.always = always_->isChecked();
  job.handleAsServer = handleAsServer_->isChecked();
  job.handleAsClient = handleAsClient_->isChecked();
  job.includeSubDirs = includeSubDirs_->isChecked();
  job.deleteEmptySubDirs = deleteEmptySubDirs_->isChecked();
  job.cleanupDestination = cleanupDestination_->isChecked();
  job.verify = verify_->isChecked();
  return job;
}

void JobsDialog::ShowInEditor(const JobRecord& job) {
  nameField_->setText(ui::EditorText(job.name));
  sourceField_->setText(ui::EditorText(job.source));
  destinationField_->setText(ui::EditorText(job.destination));
  fileMaskField_->setText(ui::EditorText(job.fileMask));
  always_->setChecked(job.always);
  handleAsServer_->setChecked(job.handleAsServer);
  handleAsClient_->setChecked(job.handleAsClient);
  includeSubDirs_->setChecked(job.includeSubDirs);
  deleteEmptySubDirs_->setChecked(job.deleteEmptySubDirs);
  cleanupDestination_->setChecked(job.cleanupDestination);
  verify_->setChecked(job.verify);
}

void JobsDialog::ShowSource(const std::string& folder) { sourceField_->setText(ui::EditorText(folder)); }

void JobsDialog::ShowDestination(const std::string& folder) {
  destinationField_->setText(ui::EditorText(folder));
}

QListWidget* JobsDialog::Box(List list) const { return list == List::Active ? activeList_ : nonActiveList_; }

void JobsDialog::ShowEntries(List list, const std::vector<std::string>& names) {
  QListWidget* box = Box(list);
  box->clear();
  for (const std::string& name : names) box->addItem(ui::EditorText(name));
}

void JobsDialog::AddEntry(List list, const std::string& name) { Box(list)->addItem(ui::EditorText(name)); }

void JobsDialog::RemoveEntry(List list, int row) { delete Box(list)->takeItem(row); }

void JobsDialog::MoveEntry(List list, int from, int to) {
  QListWidget* box = Box(list);
  box->insertItem(to, box->takeItem(from));
}

int JobsDialog::SelectedRow(List list) const {
  const QList<QListWidgetItem*> selected = Box(list)->selectedItems();
  return selected.isEmpty() ? -1 : Box(list)->row(selected.first());
}

void JobsDialog::SelectRow(List list, int row) {
  QListWidget* box = Box(list);
  if (row < 0) {
    box->setCurrentItem(nullptr);
  } else {
    box->setCurrentItem(box->item(row), QItemSelectionModel::ClearAndSelect);
  }
}

void JobsDialog::ShowStatus(const std::string& text) {
  if (text.empty()) {
    statusBar_->clearMessage();
  } else {
    statusBar_->showMessage(ui::EditorText(text));
  }
}

}  // namespace tandrel
