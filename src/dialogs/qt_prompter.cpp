#include "dialogs/qt_prompter.h"

#include "dialogs/form_support.h"
#include "dialogs/prompts.h"

namespace tandrel::ui {
namespace {

QMessageBox::StandardButton Standard(Button button) {
  switch (button) {
    case Button::Ok:
      return QMessageBox::Ok;
    case Button::Yes:
      return QMessageBox::Yes;
    case Button::No:
      return QMessageBox::No;
    case Button::None:
      break;
  }
  return QMessageBox::NoButton;
}

Button Neutral(QMessageBox::StandardButton button) {
  for (Button b : {Button::Ok, Button::Yes, Button::No}) {
    if (Standard(b) == button) return b;
  }
  return Button::None;
}

}  // namespace

Button QtPrompter::Ask(const Question& question) {
  const QMessageBox::Icon icon =
      question.icon == BoxIcon::Critical ? QMessageBox::Critical : QMessageBox::Warning;
  const QMessageBox::StandardButtons buttons =
      question.buttons == BoxButtons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
  return Neutral(Prompts::Ask(owner_, EditorText(question.caption), EditorText(question.text), icon, buttons,
                              Standard(question.defaultButton)));
}

std::string QtPrompter::BrowseForFolder(const std::string& caption, const std::string& startFolder) {
  return FileText(Prompts::BrowseForFolder(owner_, EditorText(caption), EditorText(startFolder)));
}

std::string QtPrompter::OpenFile(const std::string& startFolder, const std::string& description,
                                 const std::string& pattern) {
  return FileText(
      Prompts::OpenFile(owner_, EditorText(startFolder), EditorText(description + " (" + pattern + ")")));
}

bool QtPrompter::OpenWithDesktop(const std::string& pathOrUrl) {
  return Prompts::OpenWithDesktop(EditorText(pathOrUrl));
}

void QtPrompter::ShowError(const std::string& text) { Prompts::ShowError(EditorText(text)); }

}  // namespace tandrel::ui
