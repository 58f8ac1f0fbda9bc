#include "engine/main_base.h"

#include "config/job_lists.h"
#include "config/tinifile.h"
#include "engine/paths.h"
#include "engine/zo_dir.h"
#include "log/run_log.h"
#include "platform/platform.h"

namespace tandrel {
namespace {

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

}  // namespace

TfMainBase::TfMainBase(std::string programPath)
    : programPath_(std::move(programPath)), clock_([] { return std::time(nullptr); }) {}

// The run closes its log file at its end; LogFileHandle then keeps its value
// until the next run, so nothing is closed here.
TfMainBase::~TfMainBase() = default;

std::string TfMainBase::ConfigPath() const { return IniFilePathFor(programPath_); }

std::string TfMainBase::LogFolder() const { return LogFolderFor(programPath_); }

void TfMainBase::RunJobs() {
  RunInProgress = true;
  LogFileHandle = 0;
  // Whatever ends the run, normally or by an escaping error, the files are
  // closed and the next run can start.
  struct RunEnd {
    TfMainBase& self;
    ~RunEnd() {
      self.MemoFlush();
      self.IniFile.reset();
      if (self.LogFileHandle > 0) {
        platform::CloseHandle(self.LogFileHandle);
        // A closed descriptor's number may be reused by any other file; a
        // line written after the run must never land there.
        self.LogFileHandle = -1;
      }
      self.RunInProgress = false;
    }
  } runEnd{*this};

  if (!AppendLog) MemoClear();
  if (MemoCount() >= 1) MemoAdd("");  // separates runs in the window only

  ZO_Dir top(*this);
  AddLogLine(StartLine(Now()));
  IniFile = std::make_unique<TIniFile>(ConfigPath());
  for (int n = 0;; ++n) {
    const std::string name = IniFile->ReadString(kActiveJobs, std::to_string(n), kMissing);
    if (name == kMissing) break;
    RunOneJob(top, name);
  }
}

void TfMainBase::RunOneJob(ZO_Dir& top, const std::string& name) {
  JobSource = WithoutTrailingDelimiter(IniFile->ReadString(name, "Source", kMissing));
  if (!platform::DirectoryExists(JobSource, true)) {
    AddLogLine("Source directory does not exist for job " + Quoted(name));
    return;
  }
  JobDestination = WithoutTrailingDelimiter(IniFile->ReadString(name, "Destination", kMissing));
  if (!platform::DirectoryExists(JobDestination, true)) {
    AddLogLine("Destination directory does not exist for job " + Quoted(name));
    return;
  }

  // Cleaning up a destination that holds the source would delete the source
  // itself, so such a job is refused; a destination inside the source is
  // left out of the walk instead.
  SkipDestination = false;
  std::string realSource, realDest;
  if (platform::ResolvePath(JobSource, realSource) && platform::ResolvePath(JobDestination, realDest)) {
    const auto inside = [](const std::string& inner, const std::string& outer) {
      return outer == "/" ? inner != "/" : inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 &&
                                               inner[outer.size()] == '/';
    };
    if (realSource == realDest || inside(realSource, realDest)) {
      AddLogLine("Source and destination overlap for job " + Quoted(name));
      return;
    }
    if (inside(realDest, realSource)) {
      SkipDestination = platform::Identity(realDest, SkipDevice, SkipInode);
    }
  }

  JobAlways = IniFile->ReadBool(name, "Always", false);
  JobHandleAsServer = IniFile->ReadBool(name, "Handle As Server", false);
  JobHandleAsClient = IniFile->ReadBool(name, "Handle As Client", false);
  JobIncludeSubDirs = IniFile->ReadBool(name, "Include SubDirs", false);
  JobDeleteEmptySubDirs = IniFile->ReadBool(name, "Delete Empty SubDirs", false);
  JobCleanupDestination = IniFile->ReadBool(name, "Cleanup Destination", false);
  JobVerify = IniFile->ReadBool(name, "Verify", false);
  const std::string mask = IniFile->ReadString(name, "FileMask", "*.*");
  top.SyncDir(JobSource, mask);
}

void TfMainBase::AddLogLine(const std::string& text) {
  // On every line, so that a Log folder removed during a run comes back.
  platform::EnsureDirectory(LogFolder());
  if (LogFile) {
    if (LogFileHandle == 0) OpenLogFile();
    if (LogFileHandle > 0) {
      // Two writes, unbuffered: the file is complete up to the last line even
      // if the program stops during the run.
      if (!text.empty()) platform::WriteBytes(LogFileHandle, text.data(), text.size());
      platform::WriteBytes(LogFileHandle, "\r\n", 2);
    }
  }
  MemoAdd(text);
  ProcessPendingMessages();
}

void TfMainBase::OpenLogFile() {
  const std::string folder = LogFolder();
  const std::time_t now = Now();
  PurgeLogFolder(folder, now);
  const std::string path = folder + LogFileName(MultipleLog, now);
  if (AppendLog) LogFileHandle = platform::OpenExistingForWrite(path);
  if (LogFileHandle <= 0) {
    LogFileHandle = platform::CreateTruncate(path);
  } else {
    platform::SeekToEnd(LogFileHandle);
    platform::WriteBytes(LogFileHandle, "\r\n", 2);
  }
  if (LogFileHandle == 0) LogFileHandle = -1;
}

}  // namespace tandrel
