#pragma once
// The window logic's questions asked through the prompts seam, with the
// boxes and dialogs owned by one window.

#include "ui/prompter.h"

class QWidget;

namespace tandrel::ui {

class QtPrompter : public Prompter {
 public:
  explicit QtPrompter(QWidget* owner) : owner_(owner) {}

  Button Ask(const Question& question) override;
  std::string BrowseForFolder(const std::string& caption, const std::string& startFolder) override;
  std::string OpenFile(const std::string& startFolder, const std::string& description,
                       const std::string& pattern) override;
  bool OpenWithDesktop(const std::string& pathOrUrl) override;
  void ShowError(const std::string& text) override;

 private:
  QWidget* owner_;
};

}  // namespace tandrel::ui
