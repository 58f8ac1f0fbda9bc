// The general settings dialog's window offscreen on a real configuration
// file: that each control reaches the editor logic and that the window
// shows what the logic says. What the editor decides is tested in tests/ui.

#include "dialogs/general_dialog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

#include "config/general_settings.h"
#include "dialog_test_util.h"
#include "dialogs/form_support.h"
#include "dialogs/prompts.h"

using tandrel::GeneralSettings;
using tandrel::ui::Prompts;
using namespace tandrel::test;

class ConfigGeneralTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TempConfig> config_;
  GeneralSettings settings_;  // the main window's
  std::unique_ptr<tandrel::GeneralDialog> dialog_;

  void Show() {
    dialog_->show();
    dialog_->activateWindow();  // focus moves only inside the active window
    QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
  }
  template <typename T>
  T* Get(const char* name) const {
    return FindControl<T>(dialog_.get(), name);
  }
  QLineEdit* Time() const { return Get<QLineEdit>("timeField"); }
  QCheckBox* Box(const char* name) const { return Get<QCheckBox>(name); }
  void Click(const char* name) const { QTest::mouseClick(Get<QAbstractButton>(name), Qt::LeftButton); }
  // Gives the time field the focus, then moves it on to another control.
  void EnterField() {
    Time()->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(Time()->hasFocus());
  }
  void LeaveField() {
    Box("extendedLog")->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(!Time()->hasFocus());
  }
  GeneralSettings Stored() const { return ReadGeneralSettings(tandrel::IniFile(config_->path())); }

 private slots:
  void init() {
    Prompts::UseScript();
    config_ = std::make_unique<TempConfig>();
    settings_ = {};
    dialog_ = std::make_unique<tandrel::GeneralDialog>(config_->path(), settings_);
  }
  void cleanup() {
    dialog_.reset();
    config_.reset();
  }

  void theControlsShowAndReachTheEditor() {
    config_->Write(
        "[Synchronisation time]\nTime=930\nInterval=1\n[Log]\nLogFile=0\nExtendedLog=1\nAppendLog=0\n"
        "MultipleLog=1\n");
    Show();
    VerifyCaptionsFit(dialog_.get());
    QCOMPARE(Time()->text(), QStringLiteral("09:30"));
    const char* boxes[] = {"intervalTimer", "createLog", "extendedLog", "appendLog", "multipleLog"};
    const bool loaded[] = {true, false, true, false, true};
    for (int i = 0; i < 5; ++i) QVERIFY2(Box(boxes[i])->isChecked() == loaded[i], boxes[i]);
    QVERIFY(!Box("multipleLog")->isEnabled());
    Click("createLog");
    QVERIFY(Box("multipleLog")->isEnabled());

    // Keys into the field, the caret behind the time; the interval box
    // leaves the field.
    EnterField();
    Time()->setCursorPosition(5);
    QTest::keyClick(Time(), '1');
    QCOMPARE(Time()->text(), QStringLiteral("93:01"));
    QCOMPARE(Time()->cursorPosition(), 5);
    Click("intervalTimer");
    QCOMPARE(Time()->text(), QStringLiteral("21:01"));

    // Each control goes into the file and to the main window on closing.
    for (const char* name : {"appendLog", "multipleLog"}) Click(name);
    dialog_->close();
    const GeneralSettings stored{"21:01", false, true, true, true, false};
    QCOMPARE(Stored(), stored);
    QCOMPARE(settings_, stored);

    // A failed write reaches the error box.
    config_->MakeReadOnly();
    Show();
    dialog_->close();
    QCOMPARE(Prompts::Errors(),
             std::vector<QString>{QStringLiteral("Unable to write to %1.").arg(config_->qpath())});
  }

  void theCaptionAndTheControlsFit() {
    Show();
    // Wide enough for the window manager to show the whole caption.
    QVERIFY(dialog_->width() >= tandrel::ui::CaptionWidth(dialog_->windowTitle()));
    VerifyLabelsOnFields(dialog_.get(), {{"timeLabel", "timeField"}});
    VerifyControlsClearOfFrames(dialog_.get());
  }

  void leavingTheFieldIsMovingTheFocusWithinTheDialog() {
    // Focus to another control: the field is left.
    Show();
    EnterField();
    Time()->setText("25:30");
    LeaveField();
    QCOMPARE(Time()->text(), QStringLiteral("01:30"));
    // The Close button takes the focus, so the field is left first...
    Time()->setText("25:30");
    EnterField();
    Click("closeButton");
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(Stored().time, std::string("01:30"));
    // ...the menu's Close leaves it where it is, and ends a modal showing.
    QTimer::singleShot(0, this, [this] {
      EnterField();
      Time()->setText("25:30");
      Get<QAction>("closeItem")->trigger();
    });
    dialog_->exec();
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(Stored().time, std::string("25:30"));
  }
};

QTEST_MAIN(ConfigGeneralTest)
#include "general_dialog_test.moc"
