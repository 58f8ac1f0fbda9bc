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
#include "ui/about_text.h"

namespace tandrel {

const char* const kHomePage = ui::kHomePage;

namespace {

constexpr int kCloseAfterMs = 3000;

// The captions stand in yellow panels, written in the desktop colour.
const QColor kYellow(255, 255, 0);
// Stands in for the desktop-background system colour, which Linux lacks.
const QColor kDesktopColour(0, 128, 128);

QLabel* StaticText(QWidget* parent, const char* name, int top, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setGeometry(47, top, 298, 17);
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
  setFixedSize(351, 234);
  setFont(ui::FormFont());

  imZO_ = new QLabel(this);
  imZO_->setObjectName("imZO");
  imZO_->setGeometry(0, 0, 351, 234);
  imZO_->setScaledContents(true);
  imZO_->setPixmap(ui::AboutBackground());

  imTandrel_ = new QLabel(this);
  imTandrel_->setObjectName("imTandrel");
  imTandrel_->setGeometry(8, 8, 33, 33);
  imTandrel_->setScaledContents(true);
  imTandrel_->setPixmap(ui::ProductPicture(32));

  bbOk_ = new QPushButton(ui::GlyphIcon(ui::Glyph::Ok), "OK  ", this);
  bbOk_->setObjectName("bbOk");
  bbOk_->setGeometry(32, 201, 75, 25);
  bbOk_->setDefault(true);
  connect(bbOk_, &QPushButton::clicked, this, &QDialog::accept);

  // The design-time text is replaced at every showing.
  st_Version_ = StaticText(this, "st_Version", 8, "Tandrel version");
  stCopyRight_ = StaticText(this, "stCopyRight", 24, QString::fromUtf8(ui::kCopyRight));
  stHomePage_ = StaticText(this, "stHomePage", 56, QString::fromLatin1(kHomePage));
  QFont underlined = stHomePage_->font();
  underlined.setUnderline(true);
  stHomePage_->setFont(underlined);
  for (QLabel* link : {stCopyRight_, stHomePage_}) {
    link->setCursor(Qt::PointingHandCursor);
    link->installEventFilter(this);
  }

  bbHomePage_ = new QPushButton(ui::GlyphIcon(ui::Glyph::HomePage), "WWW", this);
  bbHomePage_->setObjectName("bbHomePage");
  bbHomePage_->setGeometry(136, 201, 75, 25);
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
