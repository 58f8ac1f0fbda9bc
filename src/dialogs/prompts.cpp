#include "dialogs/prompts.h"

#include "dialogs/form_support.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QMainWindow>
#include <QRegularExpression>
#include <QScreen>
#include <QToolButton>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <deque>
#include <memory>
#include <optional>

namespace tandrel::ui {
namespace {

struct Script {
  std::deque<QMessageBox::StandardButton> answers;
  std::deque<QString> folders;
  std::deque<QString> files;
  std::vector<AskedQuestion> asked;
  std::vector<QString> errors;
  std::vector<QString> opened;
  std::vector<QString> browseStarts;
  std::vector<FileRequest> fileRequests;
};

// Empty unless a test has switched to the script.
std::optional<Script>& Scripted() {
  static std::optional<Script> script;
  return script;
}

// The script of a test; asking for it without one is a fault of the test.
Script& TheScript() {
  if (!Scripted()) qFatal("Prompts::UseScript() was not called");
  return *Scripted();
}

// The next queued answer, or `otherwise` when none is left.
template <typename Answer>
Answer Next(std::deque<Answer>& queue, Answer otherwise) {
  if (queue.empty()) return otherwise;
  Answer answer = queue.front();
  queue.pop_front();
  return answer;
}

// The window an error box belongs to: the modal window open now, otherwise
// the main window; none before the main window exists.
QWidget* ErrorBoxOwner() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (qobject_cast<QMainWindow*>(window)) return window;
  }
  return nullptr;
}

// A box's label never breaks a line of the text in the middle: the box is
// made as wide as its longest line, up to what the screen allows. The
// framework would otherwise wrap any line wider than half the screen (and
// at most 500 pixels) wherever a word ends.
void KeepLinesWhole(QMessageBox& box) {
  auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
  if (!label) return;
  int widest = 0;
  for (const QString& line : box.text().split(QRegularExpression(QStringLiteral("\\r\\n|\\r|\\n")))) {
    widest = std::max(widest, label->fontMetrics().horizontalAdvance(line));
  }
  const QScreen* screen = box.screen() ? box.screen() : QGuiApplication::primaryScreen();
  const int room = screen ? screen->availableGeometry().width() * 3 / 4 : widest;
  label->setMinimumWidth(std::min(widest + 2 * label->margin() + 2, room));
}

std::unique_ptr<QFileDialog> FolderBrowser(QWidget* parent, const QString& caption,
                                           const QString& startFolder) {
  auto dialog = std::make_unique<QFileDialog>(parent, caption, startFolder);
  BlockOnlyTheMainWindow(dialog.get());
  dialog->setFileMode(QFileDialog::Directory);
  // Only choosing: no folder is made, renamed or deleted from here. The
  // framework's own dialog, as only it can be told to leave out its
  // create-folder button.
  dialog->setOptions(QFileDialog::ShowDirsOnly | QFileDialog::ReadOnly | QFileDialog::DontUseNativeDialog);
  for (auto* button : dialog->findChildren<QToolButton*>(QStringLiteral("newFolderButton"))) button->hide();
  return dialog;
}

std::unique_ptr<QMessageBox> QuestionBox(QWidget* parent, const QString& caption, const QString& text,
                                         QMessageBox::Icon icon, QMessageBox::StandardButtons buttons,
                                         QMessageBox::StandardButton defaultButton) {
  auto box = std::make_unique<QMessageBox>(icon, caption, text, buttons, parent);
  BlockOnlyTheMainWindow(box.get());
  box->setDefaultButton(defaultButton);
  KeepLinesWhole(*box);
  return box;
}

}  // namespace

QMessageBox::StandardButton Prompts::Ask(QWidget* parent, const QString& caption, const QString& text,
                                         QMessageBox::Icon icon, QMessageBox::StandardButtons buttons,
                                         QMessageBox::StandardButton defaultButton) {
  if (auto& script = Scripted()) {
    script->asked.push_back({caption, text, icon, buttons, defaultButton});
    return Next(script->answers, defaultButton);
  }
  return static_cast<QMessageBox::StandardButton>(
      QuestionBox(parent, caption, text, icon, buttons, defaultButton)->exec());
}

QString Prompts::BrowseForFolder(QWidget* parent, const QString& caption, const QString& startFolder) {
  if (auto& script = Scripted()) {
    script->browseStarts.push_back(startFolder);
    return Next(script->folders, QString());
  }
  const std::unique_ptr<QFileDialog> dialog = FolderBrowser(parent, caption, startFolder);
  if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return QString();
  return dialog->selectedFiles().constFirst();
}

QString Prompts::OpenFile(QWidget* parent, const QString& startFolder, const QString& filter) {
  if (auto& script = Scripted()) {
    script->fileRequests.push_back({startFolder, filter});
    return Next(script->files, QString());
  }
  QFileDialog dialog(parent, QString(), startFolder, filter);
  BlockOnlyTheMainWindow(&dialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().constFirst();
}

void Prompts::ShowError(const QString& text) {
  if (auto& script = Scripted()) {
    script->errors.push_back(text);
    return;
  }
  // Without a screen (cron, ssh) nobody could answer the box, and it would
  // hold the program for ever: the message goes to standard error instead.
  if (!ShowsBoxes()) {
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(QApplication::applicationDisplayName()),
                 qUtf8Printable(text));
    return;
  }
  QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), text, QMessageBox::Ok,
                  ErrorBoxOwner());
  BlockOnlyTheMainWindow(&box);
  KeepLinesWhole(box);
  box.exec();
}

bool Prompts::ShowsBoxes() {
  return Scripted() || (qApp && QGuiApplication::platformName() != QLatin1String("offscreen"));
}

bool Prompts::OpenWithDesktop(const QString& pathOrUrl) {
  if (auto& script = Scripted()) {
    script->opened.push_back(pathOrUrl);
    return true;
  }
  const QUrl url = pathOrUrl.contains("://") ? QUrl(pathOrUrl) : QUrl::fromLocalFile(pathOrUrl);
  return QDesktopServices::openUrl(url);
}

void Prompts::UseScript() { Scripted().emplace(); }
void Prompts::QueueAnswer(QMessageBox::StandardButton answer) { TheScript().answers.push_back(answer); }
void Prompts::QueueFolder(const QString& folder) { TheScript().folders.push_back(folder); }
void Prompts::QueueFile(const QString& file) { TheScript().files.push_back(file); }
std::vector<AskedQuestion>& Prompts::Asked() { return TheScript().asked; }
std::vector<QString>& Prompts::Errors() { return TheScript().errors; }
std::vector<QString>& Prompts::Opened() { return TheScript().opened; }
std::vector<QString>& Prompts::BrowseStarts() { return TheScript().browseStarts; }
std::vector<FileRequest>& Prompts::FileRequests() { return TheScript().fileRequests; }

}  // namespace tandrel::ui
