// The real boxes and folder browser behind the prompts seam, shown modally
// offscreen and answered from inside their own modal loop: how they are laid
// out, what they offer, and that they leave windows outside their owner's
// family (such as the tray icon) answering.

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "dialog_test_util.h"
#include "dialogs/jobs_dialog.h"
#include "dialogs/prompts.h"

using tandrel::ui::Prompts;
using namespace tandrel::test;

class PromptsTest : public QObject {
  Q_OBJECT

 private:
  // A top-level window of its own, as the tray icon is; it counts the
  // clicks that reach it.
  std::unique_ptr<QPushButton> outsider_;
  int outsiderClicks_ = 0;

  void ShowOutsider() {
    outsider_ = std::make_unique<QPushButton>(QStringLiteral("tray"));
    connect(outsider_.get(), &QPushButton::clicked, this, [this] { ++outsiderClicks_; });
    outsiderClicks_ = 0;
    outsider_->show();
    QVERIFY(QTest::qWaitForWindowExposed(outsider_.get()));
  }

  // A click through the window system, which holds back input to windows
  // that a modal window blocks.
  void ClickOutsider() {
    QTest::mouseClick(outsider_->windowHandle(), Qt::LeftButton, {}, outsider_->rect().center());
  }

  // Runs `check` on the modal window once it is open, inside its loop.
  static void WhenModalOpens(std::function<void(QWidget*)> check) {
    QTimer::singleShot(0, qApp, [check] { check(QApplication::activeModalWidget()); });
  }

 private slots:
  void clientWarningReadsAsWritten() {
    TempConfig config;
    QVERIFY(config.isValid());
    QWidget owner;  // in place of the main window
    tandrel::JobsDialog jobs(config.path(), &owner);
    owner.show();
    jobs.show();
    QVERIFY(QTest::qWaitForWindowExposed(&jobs));
    ShowOutsider();

    QStringList lines;
    int labelWidth = 0;
    int widestLine = 0;
    bool blocksJobs = false;
    WhenModalOpens([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      if (!box) return;
      ClickOutsider();
      blocksJobs = QApplication::activeModalWidget() == box && box->parentWidget() == &jobs;
      auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
      lines = box->text().split('\n');
      labelWidth = label->contentsRect().width();
      for (const QString& line : lines)
        widestLine = std::max(widestLine, label->fontMetrics().horizontalAdvance(line));
      box->button(QMessageBox::Ok)->click();
    });
    FindControl<QCheckBox>(&jobs, "handleAsClient")->click();
    QVERIFY(blocksJobs);
    QCOMPARE(outsiderClicks_, 1);
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[0].startsWith("Deleted files on"));
    // Each sentence stands on one line of its own.
    QVERIFY2(widestLine <= labelWidth, qPrintable(QString("%1 > %2").arg(widestLine).arg(labelWidth)));
  }

  void folderBrowserOnlyChooses() {
    TempConfig folder;
    QWidget owner;
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    ShowOutsider();

    bool asExpected = false;
    QToolButton* newFolder = nullptr;
    bool newFolderShown = true;
    WhenModalOpens([&](QWidget* modal) {
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      if (!dialog) return;
      ClickOutsider();
      asExpected = dialog->windowTitle() == "Select source directory" && dialog->parentWidget() == &owner &&
                   dialog->fileMode() == QFileDialog::Directory &&
                   dialog->testOption(QFileDialog::ShowDirsOnly) &&
                   dialog->testOption(QFileDialog::ReadOnly) && dialog->directory() == QDir(folder.dir());
      newFolder = dialog->findChild<QToolButton*>(QStringLiteral("newFolderButton"));
      newFolderShown = newFolder && newFolder->isVisible();
      QMetaObject::invokeMethod(dialog, "accept");
    });
    const QString chosen = Prompts::BrowseForFolder(&owner, "Select source directory", folder.dir());
    QVERIFY(asExpected);
    QVERIFY(newFolder);
    QVERIFY(!newFolderShown);
    QCOMPARE(outsiderClicks_, 1);
    QCOMPARE(chosen, folder.dir());  // the start folder, as it stands

    // Cancelled: nothing chosen.
    WhenModalOpens([](QWidget* modal) {
      if (modal) modal->close();
    });
    QVERIFY(Prompts::BrowseForFolder(&owner, "Select destination directory", QString()).isEmpty());
  }
};

QTEST_MAIN(PromptsTest)
#include "prompts_test.moc"
