#include "ui/log_area.h"

#include "ui/main_window.h"

namespace tandrel::ui {

void LogArea::Clear() {
  pendingLines_.clear();
  view_.ClearLines();
  shownLines_ = 0;
}

void LogArea::ReplaceAll(const std::vector<std::string>& lines) {
  pendingLines_.clear();
  view_.ReplaceLines(lines);
  shownLines_ = static_cast<int>(lines.size());
}

void LogArea::Flush() {
  if (pendingLines_.empty()) return;
  const bool followEnd = view_.ShowsLastLine();
  const int firstNewLine = shownLines_;
  view_.AppendLines(pendingLines_, shownLines_ > 0);
  shownLines_ += static_cast<int>(pendingLines_.size());
  pendingLines_.clear();
  if (runComingIntoView_) {
    runComingIntoView_ = false;
    view_.ScrollToLine(firstNewLine);
  } else if (followEnd) {
    view_.ScrollToEnd();
  }
}

}  // namespace tandrel::ui
