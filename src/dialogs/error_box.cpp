#include "dialogs/error_box.h"

#include "dialogs/prompts.h"

namespace tandrel::ui {

QString ErrorBoxText(std::exception_ptr error) {
  QString message;
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    message = QString::fromLocal8Bit(e.what());
  } catch (...) {
    message = QStringLiteral("Unknown error");
  }
  return message.endsWith('.') ? message : message + '.';
}

void ShowException(std::exception_ptr error) { Prompts::ShowError(ErrorBoxText(error)); }

}  // namespace tandrel::ui
