#pragma once
// The window logic's questions answered from a script, with everything
// asked kept for the test to look at.

#include <deque>
#include <string>
#include <vector>

#include "ui/prompter.h"

namespace tandrel::test {

class ScriptedPrompter : public ui::Prompter {
 public:
  // Answers in order; once they run out, the default button, or a dialog
  // as cancelled.
  std::deque<ui::Button> answers;
  std::deque<std::string> folders;
  std::deque<std::string> files;
  bool desktopOpens = true;  // whether the desktop has a handler for what it is asked to open

  std::vector<ui::Question> asked;
  std::vector<std::string> browseStarts;  // the start folder of each browse
  std::vector<std::string> fileRequests;  // "<start folder>|<description>|<pattern>"
  std::vector<std::string> opened;
  std::vector<std::string> errors;

  ui::Button Ask(const ui::Question& question) override {
    asked.push_back(question);
    return Next(answers, question.defaultButton);
  }
  std::string BrowseForFolder(const std::string&, const std::string& startFolder) override {
    browseStarts.push_back(startFolder);
    return Next(folders, std::string());
  }
  std::string OpenFile(const std::string& startFolder, const std::string& description,
                       const std::string& pattern) override {
    fileRequests.push_back(startFolder + "|" + description + "|" + pattern);
    return Next(files, std::string());
  }
  bool OpenWithDesktop(const std::string& pathOrUrl) override {
    opened.push_back(pathOrUrl);
    return desktopOpens;
  }
  void ShowError(const std::string& text) override { errors.push_back(text); }

 private:
  template <typename T>
  static T Next(std::deque<T>& queue, T otherwise) {
    if (queue.empty()) return otherwise;
    T next = queue.front();
    queue.pop_front();
    return next;
  }
};

}  // namespace tandrel::test
