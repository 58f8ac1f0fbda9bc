#include "dialogs/about.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadialGradient>
#include <QScreen>
#include <QTimer>
#include <cmath>
#include <numbers>

#include "dialogs/form_support.h"
#include "dialogs/prompts.h"

namespace tandrel {

const char* const kHomePage = "https://www.kolvane.example/tandrel";

namespace {

constexpr const char* kCopyRight = "Copyright \u00a9 2026 Kolvane";
constexpr int kCloseAfterMs = 3000;

// The palette of the pictures: the sixteen classic colours.
const QColor kYellow(255, 255, 0);
const QColor kOlive(128, 128, 0);
const QColor kNavy(0, 0, 128);
const QColor kBlue(0, 0, 255);
const QColor kTeal(0, 128, 128);
const QColor kGreen(0, 128, 0);
const QColor kLime(0, 255, 0);
const QColor kSilver(192, 192, 192);
// Stands in for the desktop-background system colour, which Linux lacks.
const QColor kDesktopColour(0, 128, 128);

// A folder in a 32-unit square, its front face ending at `bottom`.
void DrawFolder(QPainter& p, const QRectF& box) {
  const qreal x = box.x(), y = box.y(), w = box.width(), h = box.height();
  QPainterPath back;
  back.moveTo(x, y + h * 0.1);
  back.lineTo(x + w * 0.38, y + h * 0.1);
  back.lineTo(x + w * 0.46, y + h * 0.22);
  back.lineTo(x + w, y + h * 0.22);
  back.lineTo(x + w, y + h);
  back.lineTo(x, y + h);
  back.closeSubpath();
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(kOlive);
  p.drawPath(back);
  QPainterPath front;
  front.moveTo(x, y + h * 0.36);
  front.lineTo(x + w, y + h * 0.36);
  front.lineTo(x + w, y + h);
  front.lineTo(x, y + h);
  front.closeSubpath();
  p.setBrush(kYellow);
  p.drawPath(front);
}

// An arc around `centre` from `startDeg` over `spanDeg` (counter-clockwise
// for positive spans, as Qt counts angles) with an arrow head at its end.
void DrawArcArrow(QPainter& p, QPointF centre, qreal radius, qreal startDeg, qreal spanDeg, qreal width,
                  const QColor& colour) {
  p.setPen(QPen(colour, width, Qt::SolidLine, Qt::FlatCap));
  p.setBrush(Qt::NoBrush);
  const QRectF rect(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
  p.drawArc(rect, qRound(startDeg * 16), qRound(spanDeg * 16));

  const qreal end = (startDeg + spanDeg) * std::numbers::pi / 180.0;
  const QPointF at(centre.x() + radius * std::cos(end), centre.y() - radius * std::sin(end));
  const qreal sign = spanDeg >= 0 ? 1.0 : -1.0;
  const QPointF along(-std::sin(end) * sign, -std::cos(end) * sign);  // direction of travel
  const QPointF across(-along.y(), along.x());
  const qreal head = width * 1.6;
  QPolygonF tip;
  tip << at + along * head << at + across * head << at - across * head;
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawPolygon(tip);
}

QPixmap ButtonGlyph(bool ok) {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  if (ok) {
    p.setPen(QPen(kGreen, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(2.5, 8.5), QPointF(6.5, 12.5), QPointF(13.5, 3.5)}));
  } else {
    // A globe: blue sphere with meridian and parallels.
    QRadialGradient sea(QPointF(6, 5), 9);
    sea.setColorAt(0, QColor(120, 170, 255));
    sea.setColorAt(1, kNavy);
    p.setPen(QPen(kNavy, 1));
    p.setBrush(sea);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(QPen(QColor(220, 235, 255), 0.9));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(5, 1.5, 6, 13));
    p.drawLine(QPointF(2, 8), QPointF(14, 8));
    p.drawLine(QPointF(3.2, 4.8), QPointF(12.8, 4.8));
    p.drawLine(QPointF(3.2, 11.2), QPointF(12.8, 11.2));
  }
  return pm;
}

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
  return QString::asprintf("Tandrel version %d.%d.%d.%d", TANDREL_VERSION_MAJOR, TANDREL_VERSION_MINOR,
                           TANDREL_VERSION_PATCH, TANDREL_VERSION_TWEAK);
}

TfAbout::TfAbout(QWidget* parent) : QDialog(parent) {
  setObjectName("fAbout");
  setWindowTitle("About Tandrel");
  // A caption only: no system menu, no minimise, maximise or close button.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
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

  bbOk_ = new QPushButton(QIcon(ButtonGlyph(true)), "OK  ", this);
  bbOk_->setObjectName("bbOk");
  bbOk_->setGeometry(32, 201, 75, 25);
  bbOk_->setDefault(true);
  connect(bbOk_, &QPushButton::clicked, this, &QDialog::accept);

  // The design-time text is replaced at every showing.
  st_Version_ = StaticText(this, "st_Version", 8, "Tandrel version");
  stCopyRight_ = StaticText(this, "stCopyRight", 24, QString::fromUtf8(kCopyRight));
  stHomePage_ = StaticText(this, "stHomePage", 56, QString::fromLatin1(kHomePage));
  QFont underlined = stHomePage_->font();
  underlined.setUnderline(true);
  stHomePage_->setFont(underlined);
  for (QLabel* link : {stCopyRight_, stHomePage_}) {
    link->setCursor(Qt::PointingHandCursor);
    link->installEventFilter(this);
  }

  bbHomePage_ = new QPushButton(QIcon(ButtonGlyph(false)), "WWW", this);
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

void TfAbout::bbHomePageClick() { ui::Prompts::OpenWithDesktop(QString::fromLatin1(kHomePage)); }

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

namespace ui {

QPixmap ProductPicture(int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 32.0, size / 32.0);
  DrawFolder(p, QRectF(1.5, 3.5, 29, 26));
  // Two arrows chasing each other: the two sides of a synchronisation.
  const QPointF centre(16, 20);
  DrawArcArrow(p, centre, 6.2, 200, 130, 2.8, kNavy);
  DrawArcArrow(p, centre, 6.2, 20, 130, 2.8, kBlue);
  return pm;
}

QPixmap AboutBackground() {
  QPixmap pm(350, 224);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);

  QLinearGradient sky(0, 0, 0, 224);
  sky.setColorAt(0.0, QColor(0, 40, 110));
  sky.setColorAt(0.55, kTeal);
  sky.setColorAt(1.0, QColor(0, 70, 70));
  p.fillRect(pm.rect(), sky);

  // Faint rings behind the scene.
  for (int i = 0; i < 4; ++i) {
    p.setPen(QPen(QColor(255, 255, 255, 22), 10));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(290, 150), 40.0 + i * 28, 40.0 + i * 28);
  }

  // Two folders and a sheet on its way from one to the other.
  DrawFolder(p, QRectF(40, 100, 64, 52));
  DrawFolder(p, QRectF(246, 100, 64, 52));
  QPainterPath flight;
  flight.moveTo(82, 110);
  flight.quadTo(175, 40, 268, 110);
  p.setPen(QPen(QColor(255, 255, 255, 150), 2, Qt::DashLine));
  p.setBrush(Qt::NoBrush);
  p.drawPath(flight);
  p.save();
  p.translate(175, 76);
  p.rotate(-8);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(-11, -14, 22, 28));
  p.setPen(QPen(kSilver, 1.5));
  for (int y = -8; y <= 8; y += 4) p.drawLine(QPointF(-7, y), QPointF(7, y));
  p.restore();
  DrawArcArrow(p, QPointF(175, 132), 14, 200, 130, 4, kLime);
  DrawArcArrow(p, QPointF(175, 132), 14, 20, 130, 4, kYellow);

  QFont title("Serif");
  title.setStyleHint(QFont::Serif);
  title.setPixelSize(30);
  title.setBold(true);
  title.setItalic(true);
  p.setFont(title);
  p.setPen(QColor(0, 0, 0, 110));
  p.drawText(QRectF(2, 154, 350, 40), Qt::AlignCenter, "Tandrel");
  p.setPen(kYellow);
  p.drawText(QRectF(0, 152, 350, 40), Qt::AlignCenter, "Tandrel");
  return pm;
}

}  // namespace ui

}  // namespace tandrel
