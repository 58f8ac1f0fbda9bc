#pragma once
// Every message box, folder browser, file-open dialog and desktop "open" goes
// through here, so that tests can answer them and see what was asked.

#include <QMessageBox>
#include <QString>
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
  // Whether ShowError's box reaches a person: not without a screen (the
  // offscreen platform), where the text goes to standard error instead.
  // True under the script.
  static bool ShowsBoxes();
  // Opens a file or web address with the desktop's default handler; returns
  // whether the desktop took it (always under the script).
  static bool OpenWithDesktop(const QString& pathOrUrl);

  // ---- For tests ----
  // Switches to the script for the rest of the process, with empty queues
  // and records: no box or dialog is shown but answered from the queues, or
  // with its default (a dialog as cancelled); errors are only recorded, and
  // nothing is opened. Everything asked is recorded from then on. Without
  // the script (the program) nothing is recorded, however long it runs.
  static void UseScript();
  // Answers given, in order, to the next boxes and dialogs of the script.
  static void QueueAnswer(QMessageBox::StandardButton answer);
  static void QueueFolder(const QString& folder);  // empty: cancelled
  static void QueueFile(const QString& file);      // empty: cancelled
  // The script's records.
  static std::vector<AskedQuestion>& Asked();
  static std::vector<QString>& Errors();
  static std::vector<QString>& Opened();
  static std::vector<QString>& BrowseStarts();      // start folder of each browse
  static std::vector<FileRequest>& FileRequests();  // each file-open dialog asked for
};

}  // namespace tandrel::ui
