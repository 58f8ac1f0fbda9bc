#include "ui/prompter.h"

#include "support/error_text.h"

namespace tandrel::ui {

void Guarded(Prompter& prompter, const std::function<void()>& command) {
  try {
    command();
  } catch (...) {
    prompter.ShowError(ErrorText(std::current_exception()));
  }
}

}  // namespace tandrel::ui
