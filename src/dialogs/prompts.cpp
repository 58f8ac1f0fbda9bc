#include "dialogs/prompts.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>
#include <cstdio>
#include <deque>
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

}  // namespace

QMessageBox::StandardButton Prompts::Ask(QWidget* parent, const QString& caption, const QString& text,
                                         QMessageBox::Icon icon, QMessageBox::StandardButtons buttons,
                                         QMessageBox::StandardButton defaultButton) {
  if (auto& script = Scripted()) {
    script->asked.push_back({caption, text, icon, buttons, defaultButton});
    return Next(script->answers, defaultButton);
  }
  QMessageBox box(icon, caption, text, buttons, parent);
  box.setDefaultButton(defaultButton);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString Prompts::BrowseForFolder(QWidget* parent, const QString& caption, const QString& startFolder) {
  if (auto& script = Scripted()) {
    script->browseStarts.push_back(startFolder);
    return Next(script->folders, QString());
  }
  return QFileDialog::getExistingDirectory(parent, caption, startFolder);
}

QString Prompts::OpenFile(QWidget* parent, const QString& startFolder, const QString& filter) {
  if (auto& script = Scripted()) {
    script->fileRequests.push_back({startFolder, filter});
    return Next(script->files, QString());
  }
  return QFileDialog::getOpenFileName(parent, QString(), startFolder, filter);
}

void Prompts::ShowError(const QString& text) {
  if (auto& script = Scripted()) {
    script->errors.push_back(text);
    return;
  }
  // Without a screen (cron, ssh) nobody could answer the box, and it would
  // hold the program for ever: the message goes to standard error instead.
  if (!qApp || QGuiApplication::platformName() == QLatin1String("offscreen")) {
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(QApplication::applicationDisplayName()),
                 qUtf8Printable(text));
    return;
  }
  QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), text, QMessageBox::Ok);
  box.exec();
}

void Prompts::OpenWithDesktop(const QString& pathOrUrl) {
  if (auto& script = Scripted()) {
    script->opened.push_back(pathOrUrl);
    return;
  }
  const QUrl url = pathOrUrl.contains("://") ? QUrl(pathOrUrl) : QUrl::fromLocalFile(pathOrUrl);
  QDesktopServices::openUrl(url);
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
