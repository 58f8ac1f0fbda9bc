#include "log/run_log_writer.h"

#include <utility>

#include "log/run_log.h"
#include "platform/folders.h"

namespace tandrel {

RunLogWriter::RunLogWriter(std::string logFolder, RunObserver& area)
    : folder_(std::move(logFolder)), area_(area) {}

void RunLogWriter::Prepare(const LogFileSettings& settings, std::time_t now) {
  file_.Close();
  settings_ = settings;
  now_ = now;
  state_ = FileState::NotOpened;
  folderMade_ = false;
  writeFailed_ = false;
  writeFailure_.clear();
}

void RunLogWriter::Line(const std::string& line) {
  if (!folderMade_) {
    platform::EnsureDirectory(folder_);
    folderMade_ = true;
  }
  if (settings_.write) {
    if (state_ == FileState::NotOpened) Open();
    int err = file_.open() ? 0 : -1;
    if (file_.open()) {
      err = file_.Write(line);
      if (err == 0) err = file_.Write("\r\n");
    }
    if (err != 0 && !writeFailed_) {
      writeFailed_ = true;
      writeFailure_ = "The log file in " + folder_ + " could not be written" +
                      (err > 0 ? ", errorcode: " + std::to_string(err) : std::string());
    }
  }
  area_.Line(line);
}

void RunLogWriter::RunEnded(RunResult result) {
  Close();
  // A Log folder removed during the run is back when it ends.
  platform::EnsureDirectory(folder_);
  area_.RunEnded(result);
}

void RunLogWriter::Close() {
  file_.Flush();
  file_.Close();
  state_ = FileState::Failed;
  settings_.write = false;
}

std::string RunLogWriter::TakeWriteFailure() { return std::exchange(writeFailure_, std::string()); }

void RunLogWriter::Open() {
  PurgeLogFolder(folder_, now_);
  const std::string path = folder_ + LogFileName(settings_.multiple, now_);
  const bool appended = settings_.append && file_.OpenToAppend(path);
  if (appended) {
    file_.Write("\r\n");
  } else {
    file_.Create(path);
  }
  state_ = file_.open() ? FileState::Open : FileState::Failed;
}

}  // namespace tandrel
