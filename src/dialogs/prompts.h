#pragma once
// Every message box, folder browser, file-open dialog and desktop "open" goes
// through here, so that tests can answer them and see what was asked.

#include <QMessageBox>
#include <QString>
#include <deque>
#include <string>
#include <vector>

class QWidget;

namespace tandrel::ui {

struct AskedQuestion {
  QString caption;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

struct FileRequest {
  QString startFolder;
  QString filter;
};

class Prompts {
 public:
  // A modal message box; returns the button chosen.
  static QMessageBox::StandardButton Ask(QWidget* parent, const QString& caption, const QString& text,
                                         QMessageBox::Icon icon, QMessageBox::StandardButtons buttons,
                                         QMessageBox::StandardButton defaultButton);
  // The folder browser; an empty result means cancelled.
  static QString BrowseForFolder(QWidget* parent, const QString& caption, const QString& startFolder);
  // The file-open dialog; an empty result means cancelled.
  static QString OpenFile(QWidget* parent, const QString& startFolder, const QString& filter);
  // The application's standard error box: `text` as given (see
  // ErrorBoxText), under the application title, with the error icon.
  static void ShowError(const QString& text);
  // Opens a file or web address with the desktop's default handler; the
  // result is not examined.
  static void OpenWithDesktop(const QString& pathOrUrl);

  // ---- For tests ----
  // Answers given, in order, instead of showing the next boxes and dialogs.
  static void QueueAnswer(QMessageBox::StandardButton answer);
  static void QueueFolder(const QString& folder);  // empty: cancelled
  static void QueueFile(const QString& file);      // empty: cancelled
  // When set, boxes without a queued answer are not shown but answered with
  // their default (errors are only recorded), and nothing is opened.
  static void SetHeadless(bool headless);
  static std::vector<AskedQuestion>& Asked();
  static std::vector<QString>& Errors();
  static std::vector<QString>& Opened();
  static std::vector<QString>& BrowseStarts();      // start folder of each browse
  static std::vector<FileRequest>& FileRequests();  // each file-open dialog asked for
  static void Reset();
};

}  // namespace tandrel::ui
