#include "dialogs/configgeneral.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QShowEvent>
#include <QStatusBar>
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

TfConfigGeneral::TfConfigGeneral(TfMainBase& main, QWidget* parent)
    : QDialog(parent), editor_(main, *this, prompter_) {
  BuildWindow();
}

TfConfigGeneral::~TfConfigGeneral() = default;

void TfConfigGeneral::BuildWindow() {
  setObjectName(QStringLiteral("fConfigGeneral"));
  setWindowTitle(QStringLiteral("Configuration General"));
  setWindowFlags(ui::kMinimisableDialogFlags);
  ui::BlockOnlyTheMainWindow(this);
  setFont(ui::FormFont());

  auto* menuBar = new QMenuBar(this);
  menuBar->setObjectName(QStringLiteral("MainMenu1"));
  QMenu* file1 = menuBar->addMenu(QStringLiteral("File"));
  file1->setObjectName(QStringLiteral("File1"));
  QAction* close1 = file1->addAction(QStringLiteral("Close"));
  close1->setObjectName(QStringLiteral("Close1"));
  const int menuHeight = menuBar->sizeHint().height();
  // Wider than its controls where the caption needs it, or the window
  // manager cuts the caption short; the boxes and bars span the whole width
  // and every control keeps its place, the Close button in the middle.
  const int formWidth = std::max(layout::kClientWidth, ui::CaptionWidth(windowTitle()));
  menuBar->setGeometry(0, 0, formWidth, menuHeight);

  // The client area below the menu bar; every position is measured from it.
  auto* client = Place(new QWidget(this), "client", {0, menuHeight, formWidth, layout::kClientHeight});

  // The boxes as wide as the form.
  const auto wide = [formWidth](ui::Captioned box) {
    box.place.width = formWidth;
    return box;
  };
  auto* gbTime = ui::GroupBox(client, "gbTime", wide(layout::kTimeBox));
  ui::Label(gbTime, "lTime", layout::kTimeLabel);
  eTime_ = Place(new QLineEdit(gbTime), "eTime", layout::kTimeField);
  cbIntervalTimer_ = CheckBox(gbTime, "cbIntervalTimer", layout::kIntervalTimer);

  auto* gbLog = ui::GroupBox(client, "gbLog", wide(layout::kLogBox));
  cbExtendedLog_ = CheckBox(gbLog, "cbExtendedLog", layout::kExtendedLog);
  cbAppendLog_ = CheckBox(gbLog, "cbAppendLog", layout::kAppendLog);
  cbLog_ = CheckBox(gbLog, "cbLog", layout::kCreateLog);
  cbMultipleLog_ = CheckBox(gbLog, "cbMultipleLog", layout::kMultipleLog);

  ui::Captioned close = layout::kClose;
  close.place.left += (formWidth - layout::kClientWidth) / 2;
  QPushButton* bbSluiten = ui::PictureButton(client, "bbSluiten", ui::Glyph::Door, close);

  ui::Rect statusPlace = layout::kStatusBar;
  statusPlace.width = formWidth;
  auto* statusBar1 = Place(new QStatusBar(client), "StatusBar1", statusPlace);
  statusBar1->setSizeGripEnabled(false);

  ui::FitCaptions(this);
  setFixedSize(formWidth, menuHeight + layout::kClientHeight);

  // Time box first (the interval box before the field), then the log box
  // with "Create logfile" last, then Close.
  QWidget* tabOrder[] = {cbIntervalTimer_, eTime_, cbExtendedLog_, cbAppendLog_,
                         cbMultipleLog_,   cbLog_, bbSluiten};
  for (size_t i = 1; i < std::size(tabOrder); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);

  connect(eTime_, &QLineEdit::textChanged, this, [this] { eTimeChange(); });
  eTime_->installEventFilter(this);
  connect(cbIntervalTimer_, &QCheckBox::toggled, this, [this] { eTimeExit(); });
  connect(cbLog_, &QCheckBox::toggled, this, [this] { cbLogClick(); });
  connect(bbSluiten, &QPushButton::clicked, this, [this] { bbSluitenClick(); });
  connect(close1, &QAction::triggered, this, [this] { Close1Click(); });
}

bool TfConfigGeneral::eventFilter(QObject* watched, QEvent* event) {
  // The field is left when the focus moves to another control of the dialog;
  // a deactivated window, a popup menu or the closing dialog do not count.
  if (watched == eTime_ && event->type() == QEvent::FocusOut) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && isVisible()) eTimeExit();
  }
  return QDialog::eventFilter(watched, event);
}

void TfConfigGeneral::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // A window restored from its minimised state is not shown anew.
  if (event->spontaneous()) return;
  ui::CentreOnMainWindow(this);
  editor_.Shown();
}

void TfConfigGeneral::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (event->spontaneous()) return;
  editor_.Hidden();
}

GeneralSettings TfConfigGeneral::Fields() const {
  GeneralSettings settings;
  settings.time = ui::FileText(eTime_->text());
  settings.interval = cbIntervalTimer_->isChecked();
  settings.logFile = cbLog_->isChecked();
  settings.extendedLog = cbExtendedLog_->isChecked();
  settings.appendLog = cbAppendLog_->isChecked();
  settings.multipleLog = cbMultipleLog_->isChecked();
  return settings;
}

void TfConfigGeneral::ShowSettings(const GeneralSettings& settings) {
  eTime_->setText(ui::EditorText(settings.time));
  cbIntervalTimer_->setChecked(settings.interval);
  cbLog_->setChecked(settings.logFile);
  cbExtendedLog_->setChecked(settings.extendedLog);
  cbAppendLog_->setChecked(settings.appendLog);
  cbMultipleLog_->setChecked(settings.multipleLog);
}

void TfConfigGeneral::ShowTypedTime(const std::string& text) {
  const QString shown = ui::EditorText(text);
  if (shown != eTime_->text()) eTime_->setText(shown);
  eTime_->setCursorPosition(kCaretAfterTime);
}

void TfConfigGeneral::EnableMultipleLog(bool enabled) { cbMultipleLog_->setEnabled(enabled); }

}  // namespace tandrel
