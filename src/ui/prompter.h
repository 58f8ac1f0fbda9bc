#pragma once
// What the windows ask of the user: message boxes, the folder browser, the
// file-open dialog, the desktop's "open" and the standard error box. Each
// front end answers it with its own toolkit; tests answer from a script.
// Every text is 8-bit text of the locale, as the configuration file keeps it.

#include <functional>
#include <string>

namespace tandrel::ui {

enum class Button { None, Ok, Yes, No };
enum class BoxButtons { Ok, YesNo };
enum class BoxIcon { Warning, Critical };

// A message box.
struct Question {
  std::string caption;
  std::string text;  // lines broken by "\n" or "\r\n", each shown whole
  BoxIcon icon = BoxIcon::Warning;
  BoxButtons buttons = BoxButtons::Ok;
  Button defaultButton = Button::Ok;

  bool operator==(const Question&) const = default;
};

class Prompter {
 public:
  virtual ~Prompter() = default;
  // Shows the box modally; returns the button chosen.
  virtual Button Ask(const Question& question) = 0;
  // The folder browser, at `startFolder` unless that is empty; returns the
  // folder chosen, empty when cancelled. It never makes or changes a folder.
  virtual std::string BrowseForFolder(const std::string& caption, const std::string& startFolder) = 0;
  // The file-open dialog for existing files matching `pattern` ("*.log"),
  // offered as `description`; empty when cancelled.
  virtual std::string OpenFile(const std::string& startFolder, const std::string& description,
                               const std::string& pattern) = 0;
  // Opens a file or web address with the desktop's handler; returns whether
  // the desktop took it.
  virtual bool OpenWithDesktop(const std::string& pathOrUrl) = 0;
  // The standard error box, under the application title, showing `text`.
  virtual void ShowError(const std::string& text) = 0;
};

// Runs `command`; an error escaping it is shown in the error box as
// ErrorText words it, and swallowed, so that the caller goes on.
void Guarded(Prompter& prompter, const std::function<void()>& command);

// Opens the manual or a web page with the desktop. Where nothing can (the
// file does not exist, or the desktop has no handler) a box names it
// instead, so that the user can still find it.
void OpenOrSayWhere(Prompter& prompter, const std::string& pathOrUrl);

}  // namespace tandrel::ui
