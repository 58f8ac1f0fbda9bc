#include "dialogs/about_window.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "dialogs/artwork.h"
#include "dialogs/form_support.h"
#include "dialogs/qt_prompter.h"
#include "ui/about_layout.h"
#include "ui/about_text.h"

namespace tandrel {

const char* const kHomePage = ui::kHomePage;

namespace {

namespace layout = ui::about_layout;

constexpr int kCloseAfterMs = 3000;

// The captions stand in yellow panels, written in the desktop colour.
const QColor kYellow(255, 255, 0);
// Stands in for the desktop-background system colour, which Linux lacks.
const QColor kDesktopColour(0, 128, 128);

QLabel* StaticText(QWidget* parent, const char* name, const ui::Rect& place, const QString& text) {
  auto* label = ui::Place(new QLabel(text, parent), name, place);
  label->setAlignment(Qt::AlignCenter);
  QFont bold = ui::FormFont();
  bold.setBold(true);
  label->setFont(bold);
  label->setAutoFillBackground(true);
  QPalette palette = label->palette();
  palette.setColor(QPalette::Window, kYellow);
  palette.setColor(QPalette::WindowText, kDesktopColour);
  label->setPalette(palette);
  return label;
}

}  // namespace

QString VersionLine() {
  return QString::fromStdString(ui::VersionLine(TANDREL_VERSION_MAJOR, TANDREL_VERSION_MINOR,
                                                TANDREL_VERSION_PATCH, TANDREL_VERSION_TWEAK));
}

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent) {
  setWindowTitle("About Tandrel");
  // A caption only: no system menu, no minimise, maximise or close button.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  ui::BlockOnlyTheMainWindow(this);
  setFixedSize(layout::kClientWidth, layout::kClientHeight);
  setFont(ui::FormFont());

  background_ = ui::Place(new QLabel(this), {0, 0, layout::kClientWidth, layout::kClientHeight});
  background_->setScaledContents(true);
  background_->setPixmap(ui::AboutBackground());

  productIcon_ = ui::Place(new QLabel(this), layout::kProductIcon);
  productIcon_->setScaledContents(true);
  productIcon_->setPixmap(ui::ProductPicture(32));

  okButton_ = ui::Place(new QPushButton(ui::GlyphIcon(ui::Glyph::Ok), layout::kOk.caption, this), "okButton",
                        layout::kOk.place);
  okButton_->setDefault(true);
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);

  // The design-time text is replaced at every showing.
  versionLine_ = StaticText(this, "versionLine", layout::kVersionLine, "Tandrel version");
  copyrightLine_ =
      StaticText(this, "copyrightLine", layout::kCopyrightLine, QString::fromUtf8(ui::kCopyRight));
  homePageLine_ = StaticText(this, "homePageLine", layout::kHomePageLine, QString::fromLatin1(kHomePage));
  QFont underlined = homePageLine_->font();
  underlined.setUnderline(true);
  homePageLine_->setFont(underlined);
  for (QLabel* link : {copyrightLine_, homePageLine_}) {
    link->setCursor(Qt::PointingHandCursor);
    link->installEventFilter(this);
  }

  homePageButton_ =
      ui::Place(new QPushButton(ui::GlyphIcon(ui::Glyph::HomePage), layout::kHomePage.caption, this),
                "homePageButton", layout::kHomePage.place);
  homePageButton_->setAutoDefault(false);
  connect(homePageButton_, &QPushButton::clicked, this, [this] {
    OpenHomePage();
    accept();
  });

  // Runs from creation, so the start-up splash goes three seconds after the
  // windows are made; the first hiding switches it off for good.
  closeTimer_ = new QTimer(this);
  closeTimer_->setObjectName("tClose");
  closeTimer_->setInterval(kCloseAfterMs);
  closeTimer_->setSingleShot(true);
  closeTimer_->setTimerType(Qt::PreciseTimer);  // a coarse timer may fire 5% early
  connect(closeTimer_, &QTimer::timeout, this, &AboutWindow::SplashTimeUp);
  closeTimer_->start();
}

void AboutWindow::OpenHomePage() {
  ui::QtPrompter prompter(this);
  ui::OpenOrSayWhere(prompter, kHomePage);
}

void AboutWindow::SplashTimeUp() { close(); }

void AboutWindow::setVisible(bool visible) {
  if (visible && !isVisible()) {
    // Placed before the window appears: over the main window once the About
    // command has asked for that, otherwise in the middle of the screen.
    QRect area;
    if (centreOver_) {
      area = centreOver_->frameGeometry();
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      area = screen->geometry();
    }
    if (area.isValid()) move(area.center() - QPoint(width() / 2, height() / 2));
  }
  QDialog::setVisible(visible);
}

void AboutWindow::showEvent(QShowEvent* event) {
  versionLine_->setText(VersionLine());
  okButton_->setFocus();
  QDialog::showEvent(event);
}

void AboutWindow::hideEvent(QHideEvent* event) {
  closeTimer_->stop();
  QDialog::hideEvent(event);
}

void AboutWindow::keyPressEvent(QKeyEvent* event) {
  // Esc works the OK button, as Enter does.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    okButton_->click();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool AboutWindow::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == copyrightLine_ || watched == homePageLine_) &&
      event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    OpenHomePage();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace tandrel
