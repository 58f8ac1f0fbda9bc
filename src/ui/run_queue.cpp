#include "ui/run_queue.h"

#include <utility>

namespace tandrel::ui {

void RunQueue::RunBegins() { Push({RunEvent::Kind::Begins, {}, RunResult::Clean, nullptr}); }

void RunQueue::Line(const std::string& line) {
  Push({RunEvent::Kind::Line, line, RunResult::Clean, nullptr});
}

void RunQueue::Failure(const std::string& text) {
  if (echo_) echo_(text);
}

void RunQueue::Finished(RunResult result, std::exception_ptr error) {
  Push({RunEvent::Kind::Finished, {}, result, std::move(error)});
}

void RunQueue::Push(RunEvent event) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (event.kind == RunEvent::Kind::Finished) {
    finishedWaiting_ = true;
    finished_.notify_all();
  }
  events_.push_back(std::move(event));
}

std::vector<RunEvent> RunQueue::Take() {
  const std::lock_guard<std::mutex> lock(mutex_);
  finishedWaiting_ = false;
  return std::exchange(events_, {});
}

void RunQueue::WaitUntilFinished() {
  std::unique_lock<std::mutex> lock(mutex_);
  finished_.wait(lock, [this] { return finishedWaiting_; });
}

}  // namespace tandrel::ui
