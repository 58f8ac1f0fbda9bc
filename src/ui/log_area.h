#pragma once
// The log area as the window logic keeps it: lines wait and reach the view
// together, since showing each line on its own would cost far more than the
// run that writes it. The end stays in view while lines arrive, unless the
// user has scrolled up to read; a new run's first lines come into view
// wherever the user was.

#include <string>
#include <vector>

namespace tandrel::ui {

class MainView;

class LogArea {
 public:
  explicit LogArea(MainView& view) : view_(view) {}

  // Counting, clearing and replacing see the waiting lines too.
  void Clear();
  int Count() const { return shownLines_ + static_cast<int>(pendingLines_.size()); }
  void Add(const std::string& line) { pendingLines_.push_back(line); }
  void ReplaceAll(const std::vector<std::string>& lines);
  // Brings the waiting lines onto the screen.
  void Flush();
  // The next lines shown are a new run's first.
  void RunBegins() { runComingIntoView_ = true; }

 private:
  MainView& view_;
  int shownLines_ = 0;
  std::vector<std::string> pendingLines_;
  bool runComingIntoView_ = false;
};

}  // namespace tandrel::ui
