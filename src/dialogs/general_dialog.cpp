#include "dialogs/general_dialog.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QShowEvent>
#include <algorithm>

#include "dialogs/artwork.h"
#include "dialogs/form_support.h"
#include "ui/general_dialog_layout.h"

namespace tandrel {
namespace {

using ui::CheckBox;
using ui::Place;
namespace layout = ui::general_layout;

// The caret stands behind the last character of "hh:mm".
constexpr int kCaretAfterTime = 5;

}  // namespace

GeneralDialog::GeneralDialog(const std::string& configPath, GeneralSettings& settings, QWidget* parent)
    : QDialog(parent), editor_(configPath, settings, *this, prompter_) {
  BuildWindow();
}

GeneralDialog::~GeneralDialog() = default;

void GeneralDialog::BuildWindow() {
  ui::SetUpConfigurationDialog(this, QStringLiteral("Configuration General"));
  QAction* closeItem = nullptr;
  QMenuBar* menuBar = ui::MenuBarWithClose(this, closeItem);
  const int menuHeight = menuBar->sizeHint().height();
  // Wider than its controls where the caption needs it, or the window
  // manager cuts the caption short; the boxes and the menu bar span the whole width
  // and every control keeps its place, the Close button in the middle.
  const int formWidth = std::max(layout::kClientWidth, ui::CaptionWidth(windowTitle()));
  menuBar->setGeometry(0, 0, formWidth, menuHeight);

  // The client area below the menu bar; every position is measured from it.
  auto* client = Place(new QWidget(this), {0, menuHeight, formWidth, layout::kClientHeight});

  // The boxes as wide as the form.
  const auto wide = [formWidth](ui::Captioned box) {
    box.place.width = formWidth;
    return box;
  };
  auto* timeBox = ui::GroupBox(client, wide(layout::kTimeBox));
  ui::Label(timeBox, "timeLabel", layout::kTimeLabel);
  timeField_ = Place(new QLineEdit(timeBox), "timeField", layout::kTimeField);
  intervalTimer_ = CheckBox(timeBox, "intervalTimer", layout::kIntervalTimer);

  auto* logBox = ui::GroupBox(client, wide(layout::kLogBox));
  extendedLog_ = CheckBox(logBox, "extendedLog", layout::kExtendedLog);
  appendLog_ = CheckBox(logBox, "appendLog", layout::kAppendLog);
  createLog_ = CheckBox(logBox, "createLog", layout::kCreateLog);
  multipleLog_ = CheckBox(logBox, "multipleLog", layout::kMultipleLog);

  ui::Captioned close = layout::kClose;
  close.place.left += (formWidth - layout::kClientWidth) / 2;
  QPushButton* closeButton = ui::PictureButton(client, "closeButton", ui::Glyph::Door, close);

  ui::FitCaptions(this);
  setFixedSize(formWidth, menuHeight + layout::kClientHeight);

  // Time box first (the interval box before the field), then the log box
  // with "Create logfile" last, then Close.
  QWidget* tabOrder[] = {intervalTimer_, timeField_, extendedLog_, appendLog_,
                         multipleLog_,   createLog_, closeButton};
  for (size_t i = 1; i < std::size(tabOrder); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);

  connect(timeField_, &QLineEdit::textChanged, this, [this] { TimeChanged(); });
  timeField_->installEventFilter(this);
  connect(intervalTimer_, &QCheckBox::toggled, this, [this] { TimeLeft(); });
  connect(createLog_, &QCheckBox::toggled, this, [this] { CreateLogClicked(); });
  connect(closeButton, &QPushButton::clicked, this, [this] { CloseClicked(); });
  connect(closeItem, &QAction::triggered, this, [this] { CloseClicked(); });
}

bool GeneralDialog::eventFilter(QObject* watched, QEvent* event) {
  // The field is left when the focus moves to another control of the dialog;
  // a deactivated window, a popup menu or the closing dialog do not count.
  if (watched == timeField_ && event->type() == QEvent::FocusOut) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && isVisible()) TimeLeft();
  }
  return QDialog::eventFilter(watched, event);
}

void GeneralDialog::setVisible(bool visible) {
  // Placed before it appears: the window manager then takes the place as
  // given, at the first showing as at every later one.
  if (visible && !isVisible()) ui::CentreOnMainWindow(this);
  QDialog::setVisible(visible);
}

void GeneralDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // A window restored from its minimised state is not shown anew.
  if (event->spontaneous()) return;
  editor_.Shown();
}

void GeneralDialog::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (event->spontaneous()) return;
  editor_.Hidden();
}

GeneralSettings GeneralDialog::Fields() const {
  GeneralSettings settings;
  settings.time = ui::FileText(timeField_->text());
  settings.interval = intervalTimer_->isChecked();
  settings.logFile = createLog_->isChecked();
  settings.extendedLog = extendedLog_->isChecked();
  settings.appendLog = appendLog_->isChecked();
  settings.multipleLog = multipleLog_->isChecked();
  return settings;
}

void GeneralDialog::ShowSettings(const GeneralSettings& settings) {
  timeField_->setText(ui::EditorText(settings.time));
  intervalTimer_->setChecked(settings.interval);
  createLog_->setChecked(settings.logFile);
  extendedLog_->setChecked(settings.extendedLog);
  appendLog_->setChecked(settings.appendLog);
  multipleLog_->setChecked(settings.multipleLog);
}

void GeneralDialog::ShowTypedTime(const std::string& text) {
  const QString shown = ui::EditorText(text);
  if (shown != timeField_->text()) timeField_->setText(shown);
  timeField_->setCursorPosition(kCaretAfterTime);
}

void GeneralDialog::EnableMultipleLog(bool enabled) { multipleLog_->setEnabled(enabled); }

}  // namespace tandrel
