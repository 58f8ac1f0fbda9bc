#include "dialogs/error_box.h"

#include "dialogs/prompts.h"
#include "support/error_text.h"

namespace tandrel::ui {

QString ErrorBoxText(std::exception_ptr error) { return QString::fromLocal8Bit(ErrorText(error)); }

void ShowException(std::exception_ptr error) { Prompts::ShowError(ErrorBoxText(error)); }

}  // namespace tandrel::ui
