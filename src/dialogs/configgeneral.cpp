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
#include <cstdio>
#include <cstdlib>

#include "config/tinifile.h"
#include "dialogs/dialog_icons.h"
#include "dialogs/error_box.h"
#include "dialogs/form_support.h"
#include "engine/main_base.h"
#include "support/raridivevi.h"

namespace tandrel {
namespace {

using ui::Place;

constexpr int kClientWidth = 233;
constexpr int kClientHeight = 243;
constexpr char kTimeSection[] = "Synchronisation time";
constexpr char kLogSection[] = "Log";
// The caret stands behind the last character of "hh:mm".
constexpr int kCaretAfterTime = 5;

QCheckBox* CheckBox(QWidget* parent, const char* name, const char* caption, int left, int top) {
  return Place(new QCheckBox(QString::fromLatin1(caption), parent), name, left, top, 161, 17);
}

// The exit rule's result for a non-empty field: carried minutes, hours
// wrapped into one day unless the time is an interval.
std::string NormalisedOnExit(const std::string& text, bool interval) {
  const std::string carried = GSFormatTime(text, true);
  int hours = std::atoi(carried.c_str());
  int minutes = std::atoi(carried.c_str() + 3);
  while (minutes >= 60) {
    minutes -= 60;
    ++hours;
  }
  if (!interval) {
    while (hours > 23) hours -= 24;
  } else if (hours > 99) {
    // 99:60 to 99:99 exceed the two-digit form: the longest interval it holds.
    hours = 99;
    minutes = 59;
  }
  char result[32];
  std::snprintf(result, sizeof result, "%02d:%02d", hours, minutes);
  return result;
}

}  // namespace

TfConfigGeneral::TfConfigGeneral(TfMainBase& main, QWidget* parent) : QDialog(parent), main_(main) {
  BuildWindow();
}

TfConfigGeneral::~TfConfigGeneral() = default;

void TfConfigGeneral::BuildWindow() {
  setObjectName(QStringLiteral("fConfigGeneral"));
  setWindowTitle(QStringLiteral("Configuration General"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setFont(ui::FormFont());

  auto* menuBar = new QMenuBar(this);
  menuBar->setObjectName(QStringLiteral("MainMenu1"));
  QMenu* file1 = menuBar->addMenu(QStringLiteral("File"));
  file1->setObjectName(QStringLiteral("File1"));
  QAction* close1 = file1->addAction(QStringLiteral("Close"));
  close1->setObjectName(QStringLiteral("Close1"));
  const int menuHeight = menuBar->sizeHint().height();
  menuBar->setGeometry(0, 0, kClientWidth, menuHeight);

  // The client area below the menu bar; every position is measured from it.
  auto* client = Place(new QWidget(this), "client", 0, menuHeight, kClientWidth, kClientHeight);

  auto* gbTime = Place(new QGroupBox(QStringLiteral("Time"), client), "gbTime", 0, 0, 233, 65);
  Place(new QLabel(QStringLiteral("Time"), gbTime), "lTime", 8, 24, 23, 13);
  eTime_ = Place(new QLineEdit(gbTime), "eTime", 48, 24, 41, 21);
  cbIntervalTimer_ =
      Place(new QCheckBox(QStringLiteral("As interval timer"), gbTime), "cbIntervalTimer", 120, 24, 97, 17);

  auto* gbLog = Place(new QGroupBox(QStringLiteral("Log options"), client), "gbLog", 0, 64, 233, 121);
  cbExtendedLog_ = CheckBox(gbLog, "cbExtendedLog", "Extended log", 48, 24);
  cbAppendLog_ = CheckBox(gbLog, "cbAppendLog", "Append to log", 48, 48);
  cbLog_ = CheckBox(gbLog, "cbLog", "Create logfile", 48, 72);
  cbMultipleLog_ = CheckBox(gbLog, "cbMultipleLog", "Date dependent logfile", 48, 96);

  QPushButton* bbSluiten =
      ui::PictureButton(client, "bbSluiten", ui::DialogPicture::Door, "   Close   ", 74, 191, 87, 25);

  auto* statusBar1 = Place(new QStatusBar(client), "StatusBar1", 0, 224, 233, 19);
  statusBar1->setSizeGripEnabled(false);

  ui::UseFormGroupBoxFrame(gbTime);
  ui::UseFormGroupBoxFrame(gbLog);
  ui::FitCaptions(this);
  setFixedSize(kClientWidth, menuHeight + kClientHeight);

  // Time box first (the interval box before the field), then the log box
  // with "Create logfile" last, then Close.
  QWidget* tabOrder[] = {cbIntervalTimer_, eTime_, cbExtendedLog_, cbAppendLog_,
                         cbMultipleLog_,   cbLog_, bbSluiten};
  for (size_t i = 1; i < std::size(tabOrder); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);

  connect(eTime_, &QLineEdit::textChanged, this, [this] { ui::Guarded([this] { eTimeChange(); }); });
  eTime_->installEventFilter(this);
  connect(cbIntervalTimer_, &QCheckBox::toggled, this, [this] { ui::Guarded([this] { eTimeExit(); }); });
  connect(cbLog_, &QCheckBox::toggled, this, [this] { ui::Guarded([this] { cbLogClick(); }); });
  connect(bbSluiten, &QPushButton::clicked, this, [this] { ui::Guarded([this] { bbSluitenClick(); }); });
  connect(close1, &QAction::triggered, this, [this] { ui::Guarded([this] { Close1Click(); }); });
}

bool TfConfigGeneral::eventFilter(QObject* watched, QEvent* event) {
  // The field is left when the focus moves to another control of the dialog;
  // a deactivated window, a popup menu or the closing dialog do not count.
  if (watched == eTime_ && event->type() == QEvent::FocusOut) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && isVisible())
      ui::Guarded([this] { eTimeExit(); });
  }
  return QDialog::eventFilter(watched, event);
}

void TfConfigGeneral::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // A window restored from its minimised state is not shown anew.
  if (event->spontaneous()) return;
  ui::CentreOnMainWindow(this);
  ui::Guarded([this] { FormShow(); });
}

void TfConfigGeneral::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (event->spontaneous()) return;
  ui::Guarded([this] { FormHide(); });
}

void TfConfigGeneral::FormShow() {
  iniFile_ = std::make_unique<TIniFile>(main_.ConfigPath());
  eTime_->setText(ui::EditorText(iniFile_->ReadString(kTimeSection, "Time", "  :  ")));
  cbIntervalTimer_->setChecked(iniFile_->ReadBool(kTimeSection, "Interval", false));
  cbLog_->setChecked(iniFile_->ReadBool(kLogSection, "LogFile", false));
  cbExtendedLog_->setChecked(iniFile_->ReadBool(kLogSection, "ExtendedLog", false));
  cbAppendLog_->setChecked(iniFile_->ReadBool(kLogSection, "AppendLog", false));
  cbMultipleLog_->setChecked(iniFile_->ReadBool(kLogSection, "MultipleLog", false));
  cbLogClick();
}

void TfConfigGeneral::FormHide() {
  // The file is closed however this ends; a failed write stops the rest.
  const std::unique_ptr<TIniFile> ini = std::move(iniFile_);
  if (!ini) return;
  const std::string time = ui::FileText(eTime_->text());
  ini->WriteString(kTimeSection, "Time", time);
  main_.SyncTime = time;
  ini->WriteBool(kTimeSection, "Interval", cbIntervalTimer_->isChecked());
  ini->WriteBool(kLogSection, "LogFile", cbLog_->isChecked());
  ini->WriteBool(kLogSection, "ExtendedLog", cbExtendedLog_->isChecked());
  ini->WriteBool(kLogSection, "AppendLog", cbAppendLog_->isChecked());
  ini->WriteBool(kLogSection, "MultipleLog", cbMultipleLog_->isChecked());
  main_.IntervalMode = cbIntervalTimer_->isChecked();
  main_.LogFile = cbLog_->isChecked();
  main_.ExtendedLog = cbExtendedLog_->isChecked();
  main_.AppendLog = cbAppendLog_->isChecked();
  main_.MultipleLog = cbMultipleLog_->isChecked();
}

// Digits enter from the right; anything else disappears at once.
void TfConfigGeneral::eTimeChange() {
  const QString text = eTime_->text();
  if (text.isEmpty()) return;
  const QString normalised = ui::EditorText(GSFormatTime(ui::FileText(text), false));
  if (normalised != text) eTime_->setText(normalised);
  eTime_->setCursorPosition(kCaretAfterTime);
}

void TfConfigGeneral::eTimeExit() {
  const QString text = eTime_->text();
  if (text.isEmpty()) return;
  eTime_->setText(ui::EditorText(NormalisedOnExit(ui::FileText(text), cbIntervalTimer_->isChecked())));
}

void TfConfigGeneral::cbLogClick() { cbMultipleLog_->setEnabled(cbLog_->isChecked()); }

}  // namespace tandrel
