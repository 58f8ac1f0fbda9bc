// The jobs dialog's window offscreen on a real configuration file: that
// each control reaches the editor logic and that the window shows what the
// logic says. What the commands decide is tested in tests/ui.

#include "dialogs/jobs_dialog.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <memory>

#include "config/job_lists.h"
#include "dialog_test_util.h"
#include "dialogs/prompts.h"

using tandrel::IniFile;
using tandrel::JobRecord;
using tandrel::ui::Prompts;
using namespace tandrel::test;

class ConfigJobsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TempConfig> config_;
  std::unique_ptr<tandrel::JobsDialog> dialog_;

  void Show() {
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
  }
  template <typename T>
  T* Get(const char* name) const {
    return FindControl<T>(dialog_.get(), name);
  }
  QLineEdit* Edit(const char* name) const { return Get<QLineEdit>(name); }
  QCheckBox* Box(const char* name) const { return Get<QCheckBox>(name); }
  QListWidget* List(const QString& name) const { return Get<QListWidget>(name.toLatin1().constData()); }
  QStringList FileList(const char* list) const {
    QStringList names;
    for (const std::string& name : tandrel::ReadJobList(IniFile(config_->path()), list))
      names << QString::fromStdString(name);
    return names;
  }

 private slots:
  void init() {
    Prompts::UseScript();
    config_ = std::make_unique<TempConfig>();
    dialog_ = std::make_unique<tandrel::JobsDialog>(config_->path());
  }
  void cleanup() {
    dialog_.reset();
    config_.reset();
  }

  void everyCommandReachesTheEditor_data() {
    QTest::addColumn<QString>("control");  // a button, a menu action, or "double <list>"
    QTest::addColumn<QString>("list");     // the list whose entry is clicked first
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("nonActive");
    QTest::addColumn<QStringList>("active");
    const QStringList ab{"A", "B"}, cd{"C", "D"};
    QTest::newRow("saveNonActiveButton") << "saveNonActiveButton"
                                         << "" << -1 << QStringList{"A", "B", "N"} << cd;
    QTest::newRow("saveNonActiveItem") << "saveNonActiveItem"
                                       << "" << -1 << QStringList{"A", "B", "N"} << cd;
    QTest::newRow("saveActiveButton") << "saveActiveButton"
                                      << "" << -1 << ab << QStringList{"C", "D", "N"};
    QTest::newRow("saveActiveItem") << "saveActiveItem"
                                    << "" << -1 << ab << QStringList{"C", "D", "N"};
    QTest::newRow("deleteNonActiveButton") << "deleteNonActiveButton"
                                           << "nonActiveList" << 0 << QStringList{"B"} << cd;
    QTest::newRow("deleteNonActiveItem") << "deleteNonActiveItem"
                                         << "nonActiveList" << 1 << QStringList{"A"} << cd;
    QTest::newRow("deleteActiveButton") << "deleteActiveButton"
                                        << "activeList" << 1 << ab << QStringList{"C"};
    QTest::newRow("deleteActiveItem") << "deleteActiveItem"
                                      << "activeList" << 0 << ab << QStringList{"D"};
    QTest::newRow("toActiveButton") << "toActiveButton"
                                    << "nonActiveList" << 0 << QStringList{"B"} << QStringList{"C", "D", "A"};
    QTest::newRow("moveToActiveItem")
        << "moveToActiveItem"
        << "nonActiveList" << 1 << QStringList{"A"} << QStringList{"C", "D", "B"};
    QTest::newRow("double nonActiveList")
        << "double nonActiveList"
        << "nonActiveList" << 0 << QStringList{"B"} << QStringList{"C", "D", "A"};
    QTest::newRow("toNonActiveButton") << "toNonActiveButton"
                                       << "activeList" << 0 << QStringList{"A", "B", "C"} << QStringList{"D"};
    QTest::newRow("moveToNonActiveItem")
        << "moveToNonActiveItem"
        << "activeList" << 1 << QStringList{"A", "B", "D"} << QStringList{"C"};
    QTest::newRow("double activeList") << "double activeList"
                                       << "activeList" << 1 << QStringList{"A", "B", "D"} << QStringList{"C"};
    QTest::newRow("moveUpButton") << "moveUpButton"
                                  << "activeList" << 1 << ab << QStringList{"D", "C"};
    QTest::newRow("moveDownButton") << "moveDownButton"
                                    << "activeList" << 0 << ab << QStringList{"D", "C"};
  }

  void everyCommandReachesTheEditor() {
    QFETCH(QString, control);
    QFETCH(QString, list);
    QFETCH(int, row);
    QFETCH(QStringList, nonActive);
    QFETCH(QStringList, active);
    config_->Write("[NonActive Jobs]\n0=A\n1=B\n[Active Jobs]\n0=C\n1=D\n[A]\nSource=/a\n[D]\nSource=/d\n");
    Show();
    if (!list.isEmpty()) ClickEntry(List(list), row);
    Edit("nameField")->setText("N");
    if (control.startsWith("double ")) {
      DoubleClickEntry(List(control.mid(7)), row);
    } else if (auto* action = dialog_->findChild<QAction*>(control)) {
      action->trigger();
    } else {
      QTest::mouseClick(Get<QAbstractButton>(control.toLatin1().constData()), Qt::LeftButton);
    }
    QCOMPARE(FileList(tandrel::kNonActiveJobs), nonActive);
    QCOMPARE(FileList(tandrel::kActiveJobs), active);
    QCOMPARE(Entries(List("nonActiveList")), nonActive);
    QCOMPARE(Entries(List("activeList")), active);
    if (control == "moveUpButton" || control == "moveDownButton") {  // the selection follows the entry
      QCOMPARE(List("activeList")->selectedItems().value(0)->text(), QStringList({"C", "D"})[row]);
    } else if (!list.isEmpty()) {  // an entry that left its list leaves no selection
      QVERIFY(List(list)->selectedItems().isEmpty());
    }
  }

  void theWindowShowsWhatTheEditorSays() {
    config_->Write("[NonActive Jobs]\n0=Docs\n");
    Show();
    // Every field goes into the file and comes back from it.
    const JobRecord job{"Docs", "/data", "/backup", "*.txt", true, false, true, false, true, false, true};
    Edit("nameField")->setText("Docs");
    Edit("sourceField")->setText("/data");
    Edit("destinationField")->setText("/backup");
    Edit("fileMaskField")->setText("*.txt");
    for (const char* name : {"always", "handleAsClient", "deleteEmptySubDirs", "verify"})
      QTest::mouseClick(Box(name), Qt::LeftButton);
    QCOMPARE(Prompts::Asked().size(), size_t(1));  // the client warning, as a warning with OK
    QCOMPARE(Prompts::Asked()[0].icon, QMessageBox::Warning);
    QCOMPARE(Prompts::Asked()[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QTest::mouseClick(Get<QAbstractButton>("saveActiveButton"), Qt::LeftButton);
    QCOMPARE(tandrel::ReadJob(IniFile(config_->path()), "Docs"), job);
    QCOMPARE(Get<QStatusBar>("statusBar")->currentMessage(),
             QStringLiteral("Item found in other list, not added, only updated"));
    for (QLineEdit* edit : dialog_->findChildren<QLineEdit*>()) edit->clear();
    for (QCheckBox* box : dialog_->findChildren<QCheckBox*>()) box->setChecked(false);
    ClickEntry(List("nonActiveList"), 0);
    QCOMPARE(Prompts::Asked().size(), size_t(2));  // loaded into a cleared switch
    QCOMPARE(Edit("sourceField")->text(), QStringLiteral("/data"));
    QCOMPARE(Edit("destinationField")->text(), QStringLiteral("/backup"));
    QCOMPARE(Edit("fileMaskField")->text(), QStringLiteral("*.txt"));
    const bool expected[] = {true, false, true, false, true, false, true};
    const char* boxes[] = {"always",         "handleAsServer",     "handleAsClient",
                           "includeSubDirs", "deleteEmptySubDirs", "cleanupDestination",
                           "verify"};
    for (int i = 0; i < 7; ++i) QVERIFY2(Box(boxes[i])->isChecked() == expected[i], boxes[i]);

    // The folder browsers fill their fields.
    Prompts::QueueFolder("/chosen/source");
    Prompts::QueueFolder("/chosen/dest");
    QTest::mouseClick(Get<QAbstractButton>("browseFromButton"), Qt::LeftButton);
    QTest::mouseClick(Get<QAbstractButton>("browseToButton"), Qt::LeftButton);
    QCOMPARE(Edit("sourceField")->text(), QStringLiteral("/chosen/source"));
    QCOMPARE(Edit("destinationField")->text(), QStringLiteral("/chosen/dest"));

    // A failed write reaches the error box.
    config_->MakeReadOnly();
    QTest::mouseClick(Get<QAbstractButton>("saveActiveButton"), Qt::LeftButton);
    QCOMPARE(Prompts::Errors(),
             std::vector<QString>{QStringLiteral("Unable to write to %1.").arg(config_->qpath())});

    // Shown again, the lists are read anew and the status line is clear.
    Get<QAction>("closeItem")->trigger();
    QVERIFY(!dialog_->isVisible());
    Show();
    QVERIFY(Get<QStatusBar>("statusBar")->currentMessage().isEmpty());
    QCOMPARE(Entries(List("nonActiveList")), QStringList{"Docs"});
    // The Close button ends a modal showing.
    QTimer::singleShot(0, this,
                       [this] { QTest::mouseClick(Get<QAbstractButton>("closeButton"), Qt::LeftButton); });
    dialog_->hide();
    dialog_->exec();
    QVERIFY(!dialog_->isVisible());
  }

  void labelsAndSwitchesStandClear() {
    Show();
    VerifyLabelsOnFields(dialog_.get(), {{"nameLabel", "nameField"},
                                         {"sourceLabel", "sourceField"},
                                         {"destinationLabel", "destinationField"},
                                         {"fileMaskLabel", "fileMaskField"}});
    VerifyControlsClearOfFrames(dialog_.get());
  }

  void listsAndFieldsTakeMouseAndKeys() {
    config_->Write("[Active Jobs]\n0=Backup\n1=backup\n[Backup]\nSource=/b\nHandle As Client=1\n");
    Show();
    VerifyCaptionsFit(dialog_.get());
    // The arrow keys select and load like clicks; a click beside the
    // entries, or a Ctrl+click on the selected one, keeps the selection.
    ClickEntry(List("activeList"), 0);
    QCOMPARE(Edit("nameField")->text(), QStringLiteral("Backup"));
    QTest::keyClick(List("activeList"), Qt::Key_Down);
    QCOMPARE(Edit("nameField")->text(), QStringLiteral("backup"));
    QCOMPARE(Edit("sourceField")->text(), QStringLiteral("/b"));
    QVERIFY(Box("handleAsClient")->isChecked());
    QVERIFY(Prompts::Asked().empty());  // an active job loads without the warning
    QTest::mouseClick(List("activeList")->viewport(), Qt::LeftButton, {}, QPoint(100, 200));
    QTest::mouseClick(List("activeList")->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      EntryCentre(List("activeList"), 1));
    QCOMPARE(List("activeList")->selectedItems().size(), 1);
    // Return in an edit field is no Save.
    const QByteArray before = config_->Bytes();
    QTest::keyClick(Edit("nameField"), Qt::Key_Return);
    QVERIFY(dialog_->isVisible());
    QCOMPARE(config_->Bytes(), before);
  }
};

QTEST_MAIN(ConfigJobsTest)
#include "jobs_dialog_test.moc"
