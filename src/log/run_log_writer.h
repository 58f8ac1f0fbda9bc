#pragma once
// The run log: follows a run and writes its lines to the run's log file, as
// the general settings ask, before passing them on to the log area.

#include <ctime>
#include <string>

#include "log/run_observer.h"
#include "platform/files.h"

namespace tandrel {

// How a run writes its log file.
struct LogFileSettings {
  bool write = false;     // a log file at all
  bool append = false;    // to the end of the existing file, not a fresh one
  bool multiple = false;  // one file per day
};

class RunLogWriter : public RunObserver {
 public:
  // Lines go to a file in `logFolder` and then to `area`.
  RunLogWriter(std::string logFolder, RunObserver& area);
  RunLogWriter(const RunLogWriter&) = delete;
  RunLogWriter& operator=(const RunLogWriter&) = delete;

  // Before a run: no file is open yet; `now` names a file of the day.
  void Prepare(const LogFileSettings& settings, std::time_t now);
  void RunBegins() override { area_.RunBegins(); }
  // Makes sure of the Log folder at the run's first line, opens the file
  // there, writes the line with its line break, unbuffered (the file is
  // complete up to the last line even if the program stops), and passes the
  // line on.
  void Line(const std::string& line) override;
  void Failure(const std::string& text) override { area_.Failure(text); }
  // Closes the file; a Log folder removed during the run is back.
  void RunEnded(RunResult result) override;
  // Closes the file, as for a run cut off by an escaping error; no line
  // after it goes to a file.
  void Close();

  // The first failure to write the file this run, as its failure text;
  // empty when there is none or it was taken already.
  std::string TakeWriteFailure();

  enum class FileState { NotOpened, Open, Failed };
  // Whether this run has opened its log file yet, and how that went.
  FileState State() const { return state_; }
  const std::string& Folder() const { return folder_; }

 private:
  void Open();

  std::string folder_;
  RunObserver& area_;
  LogFileSettings settings_;
  std::time_t now_ = 0;
  platform::LogFile file_;
  FileState state_ = FileState::Failed;
  bool folderMade_ = false;
  bool writeFailed_ = false;  // reported once a run
  std::string writeFailure_;
};

}  // namespace tandrel
