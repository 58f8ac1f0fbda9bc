#include "dialogs/about.h"

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

TfAbout::TfAbout(QWidget* parent) : QDialog(parent) {
  setObjectName("fAbout");
  setWindowTitle("About Tandrel");
  // A caption only: no system menu, no minimise, maximise or close button.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  ui::BlockOnlyTheMainWindow(this);
  setFixedSize(layout::kClientWidth, layout::kClientHeight);
  setFont(ui::FormFont());

  imZO_ = ui::Place(new QLabel(this), "imZO", {0, 0, layout::kClientWidth, layout::kClientHeight});
  imZO_->setScaledContents(true);
  imZO_->setPixmap(ui::AboutBackground());

  imTandrel_ = ui::Place(new QLabel(this), "imTandrel", layout::kProductIcon);
  imTandrel_->setScaledContents(true);
  imTandrel_->setPixmap(ui::ProductPicture(32));

  bbOk_ = ui::Place(new QPushButton(ui::GlyphIcon(ui::Glyph::Ok), layout::kOk.caption, this), "bbOk",
                    layout::kOk.place);
  bbOk_->setDefault(true);
  connect(bbOk_, &QPushButton::clicked, this, &QDialog::accept);

  // The design-time text is replaced at every showing.
  st_Version_ = StaticText(this, "st_Version", layout::kVersionLine, "Tandrel version");
  stCopyRight_ = StaticText(this, "stCopyRight", layout::kCopyrightLine, QString::fromUtf8(ui::kCopyRight));
  stHomePage_ = StaticText(this, "stHomePage", layout::kHomePageLine, QString::fromLatin1(kHomePage));
  QFont underlined = stHomePage_->font();
  underlined.setUnderline(true);
  stHomePage_->setFont(underlined);
  for (QLabel* link : {stCopyRight_, stHomePage_}) {
    link->setCursor(Qt::PointingHandCursor);
    link->installEventFilter(this);
  }

  bbHomePage_ =
      ui::Place(new QPushButton(ui::GlyphIcon(ui::Glyph::HomePage), layout::kHomePage.caption, this),
                "bbHomePage", layout::kHomePage.place);
  bbHomePage_->setAutoDefault(false);
  connect(bbHomePage_, &QPushButton::clicked, this, [this] {
    bbHomePageClick();
    accept();
  });

  // Runs from creation, so the start-up splash goes three seconds after the
  // windows are made; the first hiding switches it off for good.
  tClose_ = new QTimer(this);
  tClose_->setObjectName("tClose");
  tClose_->setInterval(kCloseAfterMs);
  tClose_->setSingleShot(true);
  tClose_->setTimerType(Qt::PreciseTimer);  // a coarse timer may fire 5% early
  connect(tClose_, &QTimer::timeout, this, &TfAbout::tCloseTimer);
  tClose_->start();
}

void TfAbout::bbHomePageClick() {
  ui::QtPrompter prompter(this);
  ui::OpenOrSayWhere(prompter, kHomePage);
}

void TfAbout::tCloseTimer() { close(); }

void TfAbout::setVisible(bool visible) {
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

void TfAbout::showEvent(QShowEvent* event) {
  st_Version_->setText(VersionLine());
  bbOk_->setFocus();
  QDialog::showEvent(event);
}

void TfAbout::hideEvent(QHideEvent* event) {
  tClose_->stop();
  QDialog::hideEvent(event);
}

void TfAbout::keyPressEvent(QKeyEvent* event) {
  // Esc works the OK button, as Enter does.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    bbOk_->click();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool TfAbout::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == stCopyRight_ || watched == stHomePage_) && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    bbHomePageClick();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace tandrel
