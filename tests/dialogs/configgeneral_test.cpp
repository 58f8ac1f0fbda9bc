// The general settings dialog driven through its controls, offscreen, on a
// real configuration file, with a main window object that receives the
// settings.

#include "dialogs/configgeneral.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

#include "config/tinifile.h"
#include "dialog_test_util.h"
#include "dialogs/prompts.h"
#include "engine/main_base.h"

using tandrel::ui::Prompts;
using namespace tandrel::test;

class ConfigGeneralTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TempConfig> config_;
  std::unique_ptr<tandrel::TfMainBase> main_;
  std::unique_ptr<tandrel::TfConfigGeneral> dialog_;

  void Show() {
    dialog_->show();
    dialog_->activateWindow();  // focus moves only inside the active window
    QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
  }
  template <typename T>
  T* Get(const char* name) const {
    return FindControl<T>(dialog_.get(), name);
  }
  QLineEdit* Time() const { return Get<QLineEdit>("eTime"); }
  QCheckBox* Box(const char* name) const { return Get<QCheckBox>(name); }
  // Gives the time field the focus, then moves it on to another control.
  void EnterField() {
    Time()->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(Time()->hasFocus());
  }
  void LeaveField() {
    Box("cbExtendedLog")->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(!Time()->hasFocus());
  }
  QByteArray Key(const char* section, const char* key) const {
    return QByteArray::fromStdString(
        tandrel::TIniFile(config_->path()).ReadString(section, key, "<missing>"));
  }

 private slots:
  void init() {
    Prompts::UseScript();
    config_ = std::make_unique<TempConfig>();
    main_ = std::make_unique<tandrel::TfMainBase>(config_->program());
    dialog_ = std::make_unique<tandrel::TfConfigGeneral>(*main_);
  }
  void cleanup() {
    dialog_.reset();
    main_.reset();
    config_.reset();
  }

  void windowLayout() {
    QCOMPARE(dialog_->windowTitle(), QStringLiteral("Configuration General"));
    QCOMPARE(Get<QWidget>("client")->size(), QSize(233, 243));
    VerifyMinimisableFrame(dialog_.get());
    VerifyCaptionsFit(dialog_.get());
    // The interval box comes before the field; "Create logfile" last of the log box.
    const QStringList order = TabOrder(Box("cbIntervalTimer"), 7);
    QCOMPARE(order, QStringList({"cbIntervalTimer", "eTime", "cbExtendedLog", "cbAppendLog", "cbMultipleLog",
                                 "cbLog", "bbSluiten"}));
  }

  void withoutFileOpenAndCloseWritesAllSixKeysInOrder() {
    main_->SyncTime = "12:00";
    main_->LogFile = true;
    Show();
    QCOMPARE(Time()->text(), QStringLiteral("00:00"));
    for (const char* name : {"cbIntervalTimer", "cbLog", "cbExtendedLog", "cbAppendLog", "cbMultipleLog"})
      QVERIFY2(!Box(name)->isChecked(), name);
    QVERIFY(!Box("cbMultipleLog")->isEnabled());
    QVERIFY(Box("cbExtendedLog")->isEnabled());
    // The menu's Close; the main window's modal show returns.
    QTimer::singleShot(0, this, [this] { Get<QAction>("Close1")->trigger(); });
    dialog_->hide();
    dialog_->exec();
    QCOMPARE(config_->Lines(),
             QList<QByteArray>({"[Synchronisation time]", "Time=00:00", "Interval=0", "[Log]", "LogFile=0",
                                "ExtendedLog=0", "AppendLog=0", "MultipleLog=0"}));
    QCOMPARE(main_->SyncTime, std::string("00:00"));
    QVERIFY(!main_->LogFile);
  }

  void storedSettingsAreLoadedNormalisedAndHandedToMainWindow() {
    config_->Write(
        "[Synchronisation time]\nTime=930\nInterval=1\n[Log]\nLogFile=0x1\nExtendedLog=1\nAppendLog=true\n"
        "MultipleLog=1\n");
    Show();
    QCOMPARE(Time()->text(), QStringLiteral("09:30"));
    QVERIFY(Box("cbIntervalTimer")->isChecked());
    QVERIFY(Box("cbLog")->isChecked());
    QVERIFY(Box("cbExtendedLog")->isChecked());
    QVERIFY(!Box("cbAppendLog")->isChecked());
    QVERIFY(Box("cbMultipleLog")->isChecked());
    QVERIFY(Box("cbMultipleLog")->isEnabled());
    dialog_->close();
    QCOMPARE(Key("Synchronisation time", "Time"), QByteArray("09:30"));
    QCOMPARE(Key("Log", "AppendLog"), QByteArray("0"));
    QCOMPARE(Key("Log", "LogFile"), QByteArray("1"));
    QCOMPARE(main_->SyncTime, std::string("09:30"));
    QVERIFY(main_->IntervalMode);
    QVERIFY(main_->LogFile && main_->ExtendedLog && main_->MultipleLog && !main_->AppendLog);
  }

  void typedDigitsEnterFromTheRight() {
    Show();
    EnterField();
    Time()->clear();
    QVERIFY(Time()->text().isEmpty());  // an empty field stays empty
    const char* expected[] = {"00:01", "00:12", "01:23", "12:34", "23:45"};
    for (int i = 0; i < 5; ++i) {
      QTest::keyClick(Time(), char('1' + i));
      QCOMPARE(Time()->text(), QString::fromLatin1(expected[i]));
      QCOMPARE(Time()->cursorPosition(), 5);
    }
    Time()->setText("12:34");
    QTest::keyClick(Time(), 'a');
    QCOMPARE(Time()->text(), QStringLiteral("12:34"));
    QTest::keyClick(Time(), Qt::Key_Backspace);
    QCOMPARE(Time()->text(), QStringLiteral("01:23"));
    Time()->setText("12:34");
    QTest::keyClick(Time(), '9');
    QCOMPARE(Time()->text(), QStringLiteral("23:49"));
    // The change rule never carries or wraps.
    Time()->setText("99:75");
    QCOMPARE(Time()->text(), QStringLiteral("99:75"));
  }

  void leavingTheFieldCarriesAndWraps_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("interval");
    QTest::addColumn<QString>("shown");
    QTest::newRow("25:30 time of day") << "25:30" << false << "01:30";
    QTest::newRow("25:30 interval") << "25:30" << true << "25:30";
    QTest::newRow("48:00 time of day") << "48:00" << false << "00:00";
    QTest::newRow("00:90 time of day") << "00:90" << false << "01:30";
    QTest::newRow("00:90 interval") << "00:90" << true << "01:30";
    QTest::newRow("23:60 time of day") << "23:60" << false << "00:00";
    QTest::newRow("99:59 time of day") << "99:59" << false << "03:59";
    QTest::newRow("99:59 interval") << "99:59" << true << "99:59";
    QTest::newRow("99:75 time of day") << "99:75" << false << "04:15";
    QTest::newRow("99:75 interval, longest interval") << "99:75" << true << "99:59";
    QTest::newRow("empty") << "" << false << "";
  }
  void leavingTheFieldCarriesAndWraps() {
    QFETCH(QString, typed);
    QFETCH(bool, interval);
    QFETCH(QString, shown);
    Show();
    Box("cbIntervalTimer")->setChecked(interval);
    EnterField();
    Time()->setText(typed);
    LeaveField();
    QCOMPARE(Time()->text(), shown);
  }

  void intervalBoxRunsTheExitRule() {
    Show();
    Box("cbIntervalTimer")->setChecked(true);
    Time()->setText("36:00");
    QTest::mouseClick(Box("cbIntervalTimer"), Qt::LeftButton);
    QCOMPARE(Time()->text(), QStringLiteral("12:00"));
    Time()->setText("36:75");
    QTest::mouseClick(Box("cbIntervalTimer"), Qt::LeftButton);  // checking only carries
    QCOMPARE(Time()->text(), QStringLiteral("37:15"));
    dialog_->close();

    // Loading a changed "Interval" runs the rule on the time just loaded.
    config_->Write("[Synchronisation time]\nTime=25:30\nInterval=0\n");
    Show();
    QCOMPARE(Time()->text(), QStringLiteral("01:30"));
  }

  void closingStoresTheFieldAsItStands() {
    // The Close button takes the focus, so the field is left first.
    Show();
    EnterField();
    Time()->setText("25:30");
    QTest::mouseClick(Get<QPushButton>("bbSluiten"), Qt::LeftButton);
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(Key("Synchronisation time", "Time"), QByteArray("01:30"));

    // The menu item leaves the focus where it is: no carry, no wrap.
    Show();
    EnterField();
    Time()->setText("25:30");
    Get<QAction>("Close1")->trigger();
    QCOMPARE(Key("Synchronisation time", "Time"), QByteArray("25:30"));
    QCOMPARE(main_->SyncTime, std::string("25:30"));

    // A cleared field is stored empty.
    Show();
    Time()->clear();
    dialog_->close();
    QCOMPARE(Key("Synchronisation time", "Time"), QByteArray(""));
    QCOMPARE(main_->SyncTime, std::string());
    Show();
    QVERIFY(Time()->text().isEmpty());
  }

  void greyedDateBoxKeepsItsMark() {
    config_->Write("[Log]\nLogFile=0\nMultipleLog=1\n");
    Show();
    QVERIFY(!Box("cbMultipleLog")->isEnabled());
    QVERIFY(Box("cbMultipleLog")->isChecked());
    QTest::mouseClick(Box("cbLog"), Qt::LeftButton);
    QVERIFY(Box("cbMultipleLog")->isEnabled());
    QTest::mouseClick(Box("cbLog"), Qt::LeftButton);
    QVERIFY(!Box("cbMultipleLog")->isEnabled());
    dialog_->close();
    QCOMPARE(Key("Log", "MultipleLog"), QByteArray("1"));
    QVERIFY(main_->MultipleLog);
    QVERIFY(!main_->LogFile);
  }

  void failedWriteLeavesMainWindowSettings() {
    config_->Write("[Synchronisation time]\nTime=10:00\n[Log]\nLogFile=1\n");
    config_->MakeReadOnly();
    const QByteArray before = config_->Bytes();
    main_->SyncTime = "10:00";
    main_->LogFile = true;
    Show();
    Time()->setText("11:00");
    QTest::mouseClick(Box("cbLog"), Qt::LeftButton);
    dialog_->close();
    QCOMPARE(Prompts::Errors(),
             std::vector<QString>{QStringLiteral("Unable to write to %1.").arg(config_->qpath())});
    QCOMPARE(config_->Bytes(), before);
    QCOMPARE(main_->SyncTime, std::string("10:00"));
    QVERIFY(main_->LogFile);
    QVERIFY(!dialog_->isVisible());
  }
};

QTEST_MAIN(ConfigGeneralTest)
#include "configgeneral_test.moc"
