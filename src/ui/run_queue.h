#pragma once
// What a run on its own thread has to say to the window: its lines and its
// end, queued as they come and taken by the window's thread. The run never
// waits for the window.

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "log/run_observer.h"

namespace tandrel::ui {

struct RunEvent {
  enum class Kind { Begins, Line, Finished };
  Kind kind = Kind::Line;
  std::string line;                     // Line
  RunResult result = RunResult::Clean;  // Finished
  std::exception_ptr error;             // Finished: what escaped the run
};

class RunQueue : public RunObserver {
 public:
  void RunBegins() override;
  void Line(const std::string& line) override;
  // Echoed at once (on the run's thread during a run), where an echo is set.
  void Failure(const std::string& text) override;
  // Where failures go besides the log (standard error for "/SYNC"); set
  // only while no run is under way.
  void SetFailureEcho(std::function<void(const std::string&)> echo) { echo_ = std::move(echo); }
  // The run's thread is done: with the run's result, or what escaped it.
  void Finished(RunResult result, std::exception_ptr error);

  // Everything queued since the last call, oldest first.
  std::vector<RunEvent> Take();
  // Blocks until a Finished event waits in the queue.
  void WaitUntilFinished();

 private:
  void Push(RunEvent event);
  std::mutex mutex_;
  std::condition_variable finished_;
  std::vector<RunEvent> events_;
  bool finishedWaiting_ = false;
  std::function<void(const std::string&)> echo_;
};

}  // namespace tandrel::ui
