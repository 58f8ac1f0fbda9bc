#include "ui/prompter.h"

#include "platform/error_codes.h"
#include "platform/folders.h"
#include "support/error_text.h"

namespace tandrel::ui {

void Guarded(Prompter& prompter, const std::function<void()>& command) {
  try {
    command();
  } catch (...) {
    prompter.ShowError(ErrorText(std::current_exception()));
  }
}

void OpenOrSayWhere(Prompter& prompter, const std::string& pathOrUrl) {
  // The desktop's opener starts its helper and reports success before the
  // helper finds a file missing, so a missing manual is caught here.
  int error = 0;
  if (pathOrUrl.find("://") == std::string::npos) platform::GetAttributes(pathOrUrl, &error);
  if (error == platform::kErrNotFound) {
    prompter.Ask({"Tandrel", "The file \"" + pathOrUrl + "\" does not exist."});
  } else if (!prompter.OpenWithDesktop(pathOrUrl)) {
    prompter.Ask({"Tandrel", "No program could open \"" + pathOrUrl + "\".\n\nOpen it in a web browser."});
  }
}

}  // namespace tandrel::ui
