#pragma once
// What the windows ask of the user, answered with the system's own boxes:
// MessageBoxW, the folder browser, the file-open dialog and the shell's
// "open". Every box belongs to the window the user is working in, so that it
// stays above it and blocks it.

#include <string>

#include "ui/prompter.h"

namespace tandrel::win32 {

class Win32Prompter : public ui::Prompter {
 public:
  ui::Button Ask(const ui::Question& question) override;
  std::string BrowseForFolder(const std::string& caption, const std::string& startFolder) override;
  std::string OpenFile(const std::string& startFolder, const std::string& description,
                       const std::string& pattern) override;
  bool OpenWithDesktop(const std::string& pathOrUrl) override;
  void ShowError(const std::string& text) override;
};

// The standard error box: `text` under the application title, with the
// error icon, owned by the window the user is working in.
void ShowErrorBox(const std::string& text);

}  // namespace tandrel::win32
