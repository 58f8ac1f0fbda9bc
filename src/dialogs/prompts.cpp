#include "dialogs/prompts.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>
#include <cstdio>

namespace tandrel::ui {
namespace {

struct State {
  std::deque<QMessageBox::StandardButton> answers;
  std::deque<QString> folders;
  std::deque<QString> files;
  bool headless = false;
  std::vector<AskedQuestion> asked;
  std::vector<QString> errors;
  std::vector<QString> opened;
  std::vector<QString> browseStarts;
  std::vector<FileRequest> fileRequests;
};

State& S() {
  static State state;
  return state;
}

}  // namespace

QMessageBox::StandardButton Prompts::Ask(QWidget* parent, const QString& caption, const QString& text,
                                         QMessageBox::Icon icon, QMessageBox::StandardButtons buttons,
                                         QMessageBox::StandardButton defaultButton) {
  S().asked.push_back({caption, text, icon, buttons, defaultButton});
  if (!S().answers.empty()) {
    const auto answer = S().answers.front();
    S().answers.pop_front();
    return answer;
  }
  if (S().headless) return defaultButton;
  QMessageBox box(icon, caption, text, buttons, parent);
  box.setDefaultButton(defaultButton);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString Prompts::BrowseForFolder(QWidget* parent, const QString& caption, const QString& startFolder) {
  S().browseStarts.push_back(startFolder);
  if (!S().folders.empty()) {
    const QString folder = S().folders.front();
    S().folders.pop_front();
    return folder;
  }
  if (S().headless) return {};
  return QFileDialog::getExistingDirectory(parent, caption, startFolder);
}

QString Prompts::OpenFile(QWidget* parent, const QString& startFolder, const QString& filter) {
  S().fileRequests.push_back({startFolder, filter});
  if (!S().files.empty()) {
    const QString file = S().files.front();
    S().files.pop_front();
    return file;
  }
  if (S().headless) return {};
  return QFileDialog::getOpenFileName(parent, QString(), startFolder, filter);
}

void Prompts::ShowError(const QString& text) {
  S().errors.push_back(text);
  if (S().headless) return;
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
  S().opened.push_back(pathOrUrl);
  if (S().headless) return;
  const QUrl url = pathOrUrl.contains("://") ? QUrl(pathOrUrl) : QUrl::fromLocalFile(pathOrUrl);
  QDesktopServices::openUrl(url);
}

void Prompts::QueueAnswer(QMessageBox::StandardButton answer) { S().answers.push_back(answer); }
void Prompts::QueueFolder(const QString& folder) { S().folders.push_back(folder); }
void Prompts::QueueFile(const QString& file) { S().files.push_back(file); }
void Prompts::SetHeadless(bool headless) { S().headless = headless; }
std::vector<AskedQuestion>& Prompts::Asked() { return S().asked; }
std::vector<QString>& Prompts::Errors() { return S().errors; }
std::vector<QString>& Prompts::Opened() { return S().opened; }
std::vector<QString>& Prompts::BrowseStarts() { return S().browseStarts; }
std::vector<FileRequest>& Prompts::FileRequests() { return S().fileRequests; }
void Prompts::Reset() { S() = State{}; }

}  // namespace tandrel::ui
