#include "app/application.h"

#include "dialogs/prompts.h"

namespace tandrel {

QString ExceptionText(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return QString::fromLocal8Bit(e.what());
  } catch (...) {
    return QStringLiteral("Unknown error");
  }
}

void ShowException(std::exception_ptr error) { ui::Prompts::ShowError(ExceptionText(error)); }

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ShowException(std::current_exception());
    return false;
  }
}

}  // namespace tandrel
