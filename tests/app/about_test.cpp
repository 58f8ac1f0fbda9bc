// The About window offscreen: the version line, the close timer that ends
// the splash and never fires again, keys, links and placement.

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "app_test_main.h"
#include "dialogs/about_window.h"
#include "dialogs/prompts.h"
#include "qtsupport/qt_test_support.h"

using tandrel::AboutWindow;
using tandrel::test::ElapseNow;
using tandrel::test::kFrameSlack;
using tandrel::ui::Prompts;

class AboutTest : public QObject {
  Q_OBJECT

 private:
  static QPushButton* Ok(AboutWindow& about) { return about.findChild<QPushButton*>("okButton"); }
  static QPushButton* Www(AboutWindow& about) { return about.findChild<QPushButton*>("homePageButton"); }
  static QLabel* Label(AboutWindow& about, const char* name) { return about.findChild<QLabel*>(name); }
  static QTimer* CloseTimer(AboutWindow& about) { return about.findChild<QTimer*>("tClose"); }

 private slots:
  void init() { Prompts::UseScript(); }

  void showsTheVersionWithTheFocusOnOk() {
    AboutWindow about;
    about.show();
    QVERIFY(QTest::qWaitForWindowActive(&about));
    QCOMPARE(Label(about, "versionLine")->text(), QString("Tandrel version %1.%2.%3.%4")
                                                      .arg(TANDREL_VERSION_MAJOR)
                                                      .arg(TANDREL_VERSION_MINOR)
                                                      .arg(TANDREL_VERSION_PATCH)
                                                      .arg(TANDREL_VERSION_TWEAK));
    // OK has the focus, WWW comes next.
    QTRY_COMPARE(QApplication::focusWidget(), Ok(about));
    QTest::keyClick(&about, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), Www(about));
  }

  void splashClosesByItselfAndLaterShowingsStay() {
    AboutWindow about;
    // Three seconds from creation, once.
    QTimer* timer = CloseTimer(about);
    QCOMPARE(timer->interval(), 3000);
    QVERIFY(timer->isSingleShot());
    QVERIFY(timer->isActive());
    ElapseNow(timer);
    QCOMPARE(about.exec(), int(QDialog::Rejected));

    bool stillOpen = false;
    QTimer::singleShot(0, &about, [&] {
      stillOpen = about.isVisible() && !timer->isActive();
      Ok(about)->click();
    });
    QCOMPARE(about.exec(), int(QDialog::Accepted));
    QVERIFY(stillOpen);
  }

  void closedEarlyTheTimerNeverFires() {
    AboutWindow about;
    QTimer::singleShot(0, &about, [&] { QTest::keyClick(&about, Qt::Key_Escape); });
    QCOMPARE(about.exec(), int(QDialog::Accepted));  // by the key: the timer would reject
    QVERIFY(!CloseTimer(about)->isActive());
    about.show();
    QVERIFY(!CloseTimer(about)->isActive());
    QVERIFY(about.isVisible());
  }

  void keysAndButtonsClose_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("opensHomePage");
    QTest::newRow("Esc") << "Esc" << false;
    QTest::newRow("Enter") << "Enter" << false;
    QTest::newRow("OK") << "OK" << false;
    QTest::newRow("WWW") << "WWW" << true;
  }

  void keysAndButtonsClose() {
    QFETCH(QString, how);
    QFETCH(bool, opensHomePage);
    AboutWindow about;
    QTimer::singleShot(0, &about, [&] {
      if (how == "Esc") QTest::keyClick(&about, Qt::Key_Escape);
      if (how == "Enter") QTest::keyClick(&about, Qt::Key_Return);
      if (how == "OK") QTest::mouseClick(Ok(about), Qt::LeftButton);
      if (how == "WWW") QTest::mouseClick(Www(about), Qt::LeftButton);
    });
    // Closed by the key or button: the timer would reject.
    QCOMPARE(about.exec(), int(QDialog::Accepted));
    QCOMPARE(Prompts::Opened().size(), size_t(opensHomePage ? 1 : 0));
    if (opensHomePage) QCOMPARE(Prompts::Opened()[0], QString("https://www.kolvane.example/tandrel"));
  }

  void linksOpenTheHomePageAndTheWindowStays() {
    AboutWindow about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QTest::mouseClick(Label(about, "copyrightLine"), Qt::LeftButton);
    QTest::mouseClick(Label(about, "homePageLine"), Qt::LeftButton);
    QTest::mouseClick(Label(about, "versionLine"), Qt::LeftButton);
    QTest::mouseClick(Label(about, "homePageLine"), Qt::RightButton);
    QCOMPARE(Prompts::Opened().size(), size_t(2));
    QVERIFY(about.isVisible());
    QCOMPARE(Label(about, "homePageLine")->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(Label(about, "copyrightLine")->cursor().shape(), Qt::PointingHandCursor);
  }

  void centredOnTheScreenUntilToldOtherwise() {
    AboutWindow about;
    about.show();
    const QPoint screenCentre = QGuiApplication::primaryScreen()->geometry().center();
    QVERIFY((about.geometry().center() - screenCentre).manhattanLength() <= kFrameSlack);
    about.hide();

    QWidget window;
    window.setGeometry(30, 40, 500, 400);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    about.CentreOver(&window);
    about.show();
    QVERIFY((about.geometry().center() - window.frameGeometry().center()).manhattanLength() <= kFrameSlack);
    about.hide();
    // It keeps that placement for later showings, wherever the window went.
    window.move(200, 150);
    about.show();
    QVERIFY((about.geometry().center() - window.frameGeometry().center()).manhattanLength() <= kFrameSlack);
  }
};

TANDREL_APP_TEST_MAIN(AboutTest)
#include "about_test.moc"
