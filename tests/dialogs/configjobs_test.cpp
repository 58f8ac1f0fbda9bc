// The jobs dialog driven through its controls, offscreen, on a real
// configuration file; message boxes and folder browsers answered through the
// prompts seam.

#include "dialogs/configjobs.h"

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

using tandrel::JobRecord;
using tandrel::TIniFile;
using tandrel::ui::Prompts;
using namespace tandrel::test;

namespace {

const QString kFoundInOther = QStringLiteral("Item found in other list, not added, only updated");

}  // namespace

class ConfigJobsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TempConfig> config_;
  std::unique_ptr<tandrel::TfConfigJobs> dialog_;

  // Shows the dialog on the current file, as the main window does.
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
  QListWidget* NonActive() const { return Get<QListWidget>("lbNonActive"); }
  QListWidget* Active() const { return Get<QListWidget>("lbActive"); }
  void Click(const char* name) const { QTest::mouseClick(Get<QAbstractButton>(name), Qt::LeftButton); }
  void Trigger(const char* name) const { Get<QAction>(name)->trigger(); }
  QString Status() const { return Get<QStatusBar>("sbConfig")->currentMessage(); }

  std::vector<std::string> FileList(const char* list) const {
    return tandrel::ReadJobList(TIniFile(config_->path()), list);
  }
  JobRecord FileJob(const std::string& name) const {
    return tandrel::ReadJob(TIniFile(config_->path()), name);
  }

  void Type(const QString& name, const QString& source, const QString& dest, const QString& mask) {
    Edit("eJobName")->setText(name);
    Edit("eSource")->setText(source);
    Edit("eDest")->setText(dest);
    Edit("eFileMask")->setText(mask);
  }

 private slots:
  void init() {
    Prompts::UseScript();
    config_ = std::make_unique<TempConfig>();
    dialog_ = std::make_unique<tandrel::TfConfigJobs>(config_->path());
  }
  void cleanup() {
    dialog_.reset();
    config_.reset();
  }

  void windowLayout() {
    QCOMPARE(dialog_->windowTitle(), QStringLiteral("Configuration Jobs"));
    const QWidget* client = Get<QWidget>("client");
    QCOMPARE(client->size(), QSize(698, 437));
    VerifyMinimisableFrame(dialog_.get());
    QCOMPARE(dialog_->height(), client->geometry().bottom() + 1);
    VerifyCaptionsFit(dialog_.get());
    // Tab order of the editor: name, directories, first seven switches, mask, last two.
    const QStringList order = TabOrder(Edit("eJobName"), 11);
    QCOMPARE(order, QStringList({"eJobName", "eSource", "eDest", "cbAlways", "cbHandleAsServer",
                                 "cbHandleAsClient", "cbIncludeSubDirs", "cbDelEmptySubDirs", "eFileMask",
                                 "cb_CleanupDest", "cb_Verify"}));
    // The first showing: an empty editor with the mask "*.*", two empty lists.
    Show();
    QCOMPARE(Edit("eFileMask")->text(), QStringLiteral("*.*"));
    QVERIFY(Edit("eJobName")->text().isEmpty());
    QCOMPARE(NonActive()->count() + Active()->count(), 0);
    // Return in an edit field is no Save.
    QTest::keyClick(Edit("eJobName"), Qt::Key_Return);
    QVERIFY(dialog_->isVisible());
    QVERIFY(config_->Lines().isEmpty());
  }

  void saveNewNameIntoEachList() {
    Show();
    Type("Docs", "/data/docs", "/backup/docs", "*.txt");
    Box("cbIncludeSubDirs")->setChecked(true);
    Box("cb_Verify")->setChecked(true);
    Click("bSaveActive");
    QCOMPARE(FileList(tandrel::kActiveJobs), std::vector<std::string>{"Docs"});
    QCOMPARE(Entries(Active()), QStringList{"Docs"});
    QVERIFY(Active()->selectedItems().isEmpty());
    JobRecord expected{"Docs", "/data/docs", "/backup/docs", "*.txt", false, false,
                       false,  true,         false,          false,   true};
    QCOMPARE(FileJob("Docs"), expected);
    // The section in the example's key order.
    const QList<QByteArray> lines = config_->Lines();
    const qsizetype at = lines.indexOf("[Docs]");
    QVERIFY(at >= 0);
    QCOMPARE(lines.mid(at + 1, 10),
             QList<QByteArray>({"Source=/data/docs", "Destination=/backup/docs", "FileMask=*.txt", "Always=0",
                                "Handle As Server=0", "Handle As Client=0", "Include SubDirs=1",
                                "Delete Empty SubDirs=0", "Cleanup Destination=0", "Verify=1"}));

    // Save again under the same name: the section only.
    Edit("eSource")->setText("/data/documents");
    Click("bSaveActive");
    QCOMPARE(FileList(tandrel::kActiveJobs), std::vector<std::string>{"Docs"});
    QCOMPARE(Active()->count(), 1);
    QCOMPARE(FileJob("Docs").source, std::string("/data/documents"));
    QVERIFY(Status().isEmpty());

    // The menu's Save of the non-active list appends there.
    Type("Old", "/old", "/archive", "*.*");
    Trigger("mSaveNonActive1");
    QCOMPARE(FileList(tandrel::kNonActiveJobs), std::vector<std::string>{"Old"});
    QCOMPARE(Entries(NonActive()), QStringList{"Old"});
    QCOMPARE(FileJob("Old").destination, std::string("/archive"));

    // An empty name is stored as typed, like any other.
    Type("", "/e", "/f", "*.*");
    Click("bSaveNonActive");
    QCOMPARE(FileList(tandrel::kNonActiveJobs), (std::vector<std::string>{"Old", ""}));
    QCOMPARE(FileJob("").source, std::string("/e"));
  }

  void savingNameOfOtherListOnlyUpdatesIt() {
    config_->Write("[Active Jobs]\n0=Photos\n[Photos]\nSource=/p\nDestination=/q\nFileMask=*.jpg\nKeep=me\n");
    Show();
    Type("Photos", "/pictures", "/q2", "*.png");
    Box("cbHandleAsServer")->setChecked(true);
    Click("bSaveNonActive");
    QCOMPARE(Status(), kFoundInOther);
    QCOMPARE(FileList(tandrel::kActiveJobs), std::vector<std::string>{"Photos"});
    QVERIFY(FileList(tandrel::kNonActiveJobs).empty());
    QCOMPARE(Entries(Active()), QStringList{"Photos"});
    QCOMPARE(NonActive()->count(), 0);
    const JobRecord job = FileJob("Photos");
    QCOMPARE(job.source, std::string("/pictures"));
    QCOMPARE(job.fileMask, std::string("*.png"));
    QVERIFY(job.handleAsServer);
    // The section is rewritten, not erased: other keys stay.
    QCOMPARE(TIniFile(config_->path()).ReadString("Photos", "Keep", "-"), std::string("me"));

    // The message stays through later actions until the next showing.
    Type("New", "/n", "/m", "*.*");
    Click("bSaveActive");
    QCOMPARE(Status(), kFoundInOther);
    dialog_->hide();
    Show();
    QVERIFY(Status().isEmpty());
  }

  void namesDifferingInCaseAreDifferentEntriesSharingOneSection() {
    config_->Write("[Active Jobs]\n0=Backup\n[Backup]\nSource=/a\nDestination=/b\n");
    Show();
    Type("backup", "/c", "/d", "*.*");
    Click("bSaveActive");
    QCOMPARE(FileList(tandrel::kActiveJobs), (std::vector<std::string>{"Backup", "backup"}));
    QCOMPARE(Entries(Active()), QStringList({"Backup", "backup"}));
    QVERIFY(Status().isEmpty());
    QCOMPARE(FileJob("Backup").source, std::string("/c"));
    // Both entries load the one section; the arrow keys select like clicks.
    ClickEntry(Active(), 0);
    QCOMPARE(Edit("eJobName")->text(), QStringLiteral("Backup"));
    QTest::keyClick(Active(), Qt::Key_Down);
    QCOMPARE(Edit("eJobName")->text(), QStringLiteral("backup"));
    QCOMPARE(Edit("eSource")->text(), QStringLiteral("/c"));
  }

  void deleteErasesSectionAndSaveCreatesItAgain() {
    config_->Write(
        "[NonActive Jobs]\n0=A\n1=B\n2=C\n[A]\nSource=/a\n[B]\nSource=/b\nDestination=/bb\nAlways=1\n"
        "[C]\nSource=/c\n");
    Show();
    ClickEntry(NonActive(), 1);
    QCOMPARE(Edit("eJobName")->text(), QStringLiteral("B"));
    Click("bDelNonActive");
    QCOMPARE(FileList(tandrel::kNonActiveJobs), (std::vector<std::string>{"A", "C"}));
    QCOMPARE(TIniFile(config_->path()).ReadString(tandrel::kNonActiveJobs, "2", "gone"), std::string("gone"));
    QCOMPARE(Entries(NonActive()), QStringList({"A", "C"}));
    QCOMPARE(TIniFile(config_->path()).ReadString("B", "Source", "gone"), std::string("gone"));
    QCOMPARE(FileJob("A").source, std::string("/a"));
    Click("bDelNonActive");  // the deleted entry leaves no selection behind
    QCOMPARE(Entries(NonActive()), QStringList({"A", "C"}));
    // The editor still shows the deleted job; Save brings it back.
    QCOMPARE(Edit("eSource")->text(), QStringLiteral("/b"));
    QVERIFY(Box("cbAlways")->isChecked());
    Click("bSaveActive");
    QCOMPARE(FileList(tandrel::kActiveJobs), std::vector<std::string>{"B"});
    const JobRecord job = FileJob("B");
    QCOMPARE(job.destination, std::string("/bb"));
    QVERIFY(job.always);

    // The active list's Delete, from the menu.
    ClickEntry(Active(), 0);
    Trigger("mDeleteActive1");
    QVERIFY(FileList(tandrel::kActiveJobs).empty());
    QCOMPARE(Active()->count(), 0);
  }

  void moveBetweenListsKeepsSection() {
    config_->Write(
        "[NonActive Jobs]\n0=A\n1=B\n[Active Jobs]\n0=C\n[A]\nSource=/a\n[C]\nSource=/c\nHandle As "
        "Server=1\n");
    Show();
    ClickEntry(NonActive(), 0);
    Click("bb2Active");
    QCOMPARE(FileList(tandrel::kNonActiveJobs), std::vector<std::string>{"B"});
    QCOMPARE(FileList(tandrel::kActiveJobs), (std::vector<std::string>{"C", "A"}));
    QCOMPARE(Entries(NonActive()), QStringList{"B"});
    QCOMPARE(Entries(Active()), QStringList({"C", "A"}));
    QCOMPARE(FileJob("A").source, std::string("/a"));

    // A double click loads the entry with its first click and moves it.
    DoubleClickEntry(Active(), 0);
    QCOMPARE(Edit("eJobName")->text(), QStringLiteral("C"));
    QVERIFY(Box("cbHandleAsServer")->isChecked());
    QCOMPARE(FileList(tandrel::kActiveJobs), std::vector<std::string>{"A"});
    QCOMPARE(FileList(tandrel::kNonActiveJobs), (std::vector<std::string>{"B", "C"}));
    QCOMPARE(Entries(NonActive()), QStringList({"B", "C"}));
    QCOMPARE(FileJob("C").source, std::string("/c"));

    DoubleClickEntry(NonActive(), 0);
    QCOMPARE(FileList(tandrel::kActiveJobs), (std::vector<std::string>{"A", "B"}));
    Trigger("mMoveToNonActive1");  // nothing selected in the active list
    QCOMPARE(FileList(tandrel::kActiveJobs), (std::vector<std::string>{"A", "B"}));
    ClickEntry(Active(), 1);
    Trigger("mMoveToNonActive1");
    QCOMPARE(FileList(tandrel::kNonActiveJobs), (std::vector<std::string>{"C", "B"}));
  }

  void moveUpAndDownFollowTheSelection() {
    // Order buttons on an empty list do nothing.
    Show();
    Click("SpeedButton1");
    Click("SpeedButton2");
    QVERIFY(config_->Lines().isEmpty());
    dialog_->hide();

    config_->Write("[Active Jobs]\n0=A\n1=B\n2=C\n");
    Show();
    const QByteArray before = config_->Bytes();
    Click("SpeedButton1");  // nothing selected
    Click("SpeedButton2");
    QCOMPARE(config_->Bytes(), before);

    ClickEntry(Active(), 2);
    Click("SpeedButton1");
    QCOMPARE(FileList(tandrel::kActiveJobs), (std::vector<std::string>{"A", "C", "B"}));
    Click("SpeedButton1");
    QCOMPARE(FileList(tandrel::kActiveJobs), (std::vector<std::string>{"C", "A", "B"}));
    QCOMPARE(Entries(Active()), QStringList({"C", "A", "B"}));
    QCOMPARE(Active()->selectedItems().value(0)->text(), QStringLiteral("C"));
    const QByteArray top = config_->Bytes();
    Click("SpeedButton1");  // already first
    QCOMPARE(config_->Bytes(), top);

    Click("SpeedButton2");
    Click("SpeedButton2");
    QCOMPARE(FileList(tandrel::kActiveJobs), (std::vector<std::string>{"A", "B", "C"}));
    QCOMPARE(Active()->selectedItems().value(0)->text(), QStringLiteral("C"));
    const QByteArray bottom = config_->Bytes();
    Click("SpeedButton2");  // already last
    QCOMPARE(config_->Bytes(), bottom);
    QCOMPARE(Entries(Active()), QStringList({"A", "B", "C"}));
  }

  void commandsWithoutSelectionDoNothing() {
    config_->Write("[NonActive Jobs]\n0=A\n[Active Jobs]\n0=B\n[A]\nSource=/a\n[B]\nSource=/b\n");
    Show();
    const QByteArray before = config_->Bytes();
    for (const char* button : {"bDelNonActive", "bDelActive", "bb2Active", "bb2NonActive"}) Click(button);
    QCOMPARE(config_->Bytes(), before);
    QCOMPARE(Entries(NonActive()), QStringList{"A"});
    QCOMPARE(Entries(Active()), QStringList{"B"});
    // A click beside the entries keeps the selection.
    ClickEntry(NonActive(), 0);
    QTest::mouseClick(NonActive()->viewport(), Qt::LeftButton, {}, QPoint(100, 200));
    QCOMPARE(NonActive()->selectedItems().size(), 1);
  }

  void clientWarningNotWhileActiveJobLoads() {
    config_->Write(
        "[NonActive Jobs]\n0=N\n1=Plain\n[Active Jobs]\n0=A\n[N]\nHandle As Client=1\n[A]\nHandle As "
        "Client=1\n");
    Show();
    ClickEntry(NonActive(), 0);
    QCOMPARE(Prompts::Asked().size(), size_t(1));
    const tandrel::ui::AskedQuestion& warning = Prompts::Asked()[0];
    QCOMPARE(warning.caption, QStringLiteral(" Warning: \"Handle \"From\" as client\" can delete files"));
    QCOMPARE(warning.text, QStringLiteral("Deleted files on the \"From\" directory are deleted in the \"To\" "
                                          "directory as well\n\nPress OK to continue"));
    QCOMPARE(warning.icon, QMessageBox::Warning);
    QCOMPARE(warning.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(Box("cbHandleAsClient")->isChecked());
    // A missing section loads "_error_" directories and clear switches.
    ClickEntry(NonActive(), 1);
    QCOMPARE(Edit("eSource")->text(), QStringLiteral("_error_"));
    QCOMPARE(Edit("eDest")->text(), QStringLiteral("_error_"));
    QCOMPARE(Edit("eFileMask")->text(), QStringLiteral("*.*"));
    QVERIFY(!Box("cbHandleAsClient")->isChecked());
    ClickEntry(Active(), 0);
    QCOMPARE(Prompts::Asked().size(), size_t(1));
    QVERIFY(Box("cbHandleAsClient")->isChecked());
    // Loading a non-active job whose switch is already shown set: no change, no box.
    ClickEntry(NonActive(), 0);
    QCOMPARE(Prompts::Asked().size(), size_t(1));
    // The user's own click warns; clearing the box does not.
    QTest::mouseClick(Box("cbHandleAsClient"), Qt::LeftButton);
    QTest::mouseClick(Box("cbHandleAsClient"), Qt::LeftButton);
    QCOMPARE(Prompts::Asked().size(), size_t(2));
    QVERIFY(Box("cbHandleAsClient")->isChecked());
  }

  void folderBrowsers() {
    Show();
    const QString existing = config_->dir();
    // From: starts at an existing From directory, otherwise at nothing.
    Edit("eSource")->setText(existing);
    Prompts::QueueFolder("/chosen/source");
    Click("sbFrom");
    QCOMPARE(Edit("eSource")->text(), QStringLiteral("/chosen/source"));
    Prompts::QueueFolder("");  // cancelled
    Click("sbFrom");
    QCOMPARE(Edit("eSource")->text(), QStringLiteral("/chosen/source"));
    // To: never preselects.
    Edit("eDest")->setText(existing);
    Prompts::QueueFolder("/chosen/dest");
    Click("sbTo");
    QCOMPARE(Edit("eDest")->text(), QStringLiteral("/chosen/dest"));
    QCOMPARE(Prompts::BrowseStarts(), (std::vector<QString>{existing, QString(), QString()}));
  }

  void failedWriteStopsCommandAndIsShown() {
    config_->Write("[NonActive Jobs]\n0=A\n[A]\nSource=/a\n");
    config_->MakeReadOnly();
    Show();
    const QByteArray before = config_->Bytes();
    Type("New", "/n", "/m", "*.*");
    Click("bSaveNonActive");
    QCOMPARE(Prompts::Errors(),
             std::vector<QString>{QStringLiteral("Unable to write to %1.").arg(config_->qpath())});
    QCOMPARE(Entries(NonActive()), QStringList{"A"});
    QCOMPARE(config_->Bytes(), before);
    // Deleting fails at erasing the section: the entry stays in the box too.
    ClickEntry(NonActive(), 0);
    Click("bDelNonActive");
    QCOMPARE(Prompts::Errors().size(), size_t(2));
    QCOMPARE(Entries(NonActive()), QStringList{"A"});
    QCOMPARE(config_->Bytes(), before);
  }

  void deleteFailingAtRenumberingStillTakesTheEntryOut() {
    // A listed job without a section: erasing it needs no write, renumbering
    // the list does.
    config_->Write("[NonActive Jobs]\n0=A\n1=B\n");
    config_->MakeReadOnly();
    Show();
    const QByteArray before = config_->Bytes();
    ClickEntry(NonActive(), 0);
    Click("bDelNonActive");
    QCOMPARE(Prompts::Errors(),
             std::vector<QString>{QStringLiteral("Unable to write to %1.").arg(config_->qpath())});
    QCOMPARE(Entries(NonActive()), QStringList{"B"});
    QCOMPARE(config_->Bytes(), before);
  }

  void eachShowingReloadsListsAndKeepsEditor() {
    config_->Write("[Active Jobs]\n0=A\n[A]\nSource=/a\n");
    Show();
    ClickEntry(Active(), 0);
    Trigger("mClose");
    QVERIFY(!dialog_->isVisible());
    config_->Write("[Active Jobs]\n0=X\n1=Y\n[NonActive Jobs]\n0=Z\n");
    Show();
    QCOMPARE(Entries(Active()), QStringList({"X", "Y"}));
    QCOMPARE(Entries(NonActive()), QStringList{"Z"});
    QCOMPARE(Edit("eJobName")->text(), QStringLiteral("A"));
    QCOMPARE(Edit("eSource")->text(), QStringLiteral("/a"));
    // The Close button ends a modal showing.
    QTimer::singleShot(0, this, [this] { Click("bbSluiten"); });
    dialog_->hide();
    dialog_->exec();
    QVERIFY(!dialog_->isVisible());
  }

  void lineBreaksNeverReachTheFile() {
    Show();
    Type("Two\nlines", "/a\r\nb", "/c", "*.*");
    Click("bSaveActive");
    QCOMPARE(FileList(tandrel::kActiveJobs), std::vector<std::string>{"Two lines"});
    QCOMPARE(Entries(Active()), QStringList{"Two lines"});
    QCOMPARE(FileJob("Two lines").source, std::string("/a  b"));
  }
};

QTEST_MAIN(ConfigJobsTest)
#include "configjobs_test.moc"
