#include "ui/run_status.h"

#include <algorithm>

#include <cstdio>

#include "log/run_log.h"

namespace tandrel::ui {
namespace {

bool Contains(const std::string& line, const char* text) { return line.find(text) != std::string::npos; }

std::string Failures(long failed) {
  return std::to_string(failed) + (failed == 1 ? " failure" : " failures");
}

}  // namespace

std::string ByteText(int64_t bytes) {
  const char* const units[] = {"B", "KB", "MB", "GB", "TB"};
  double value = static_cast<double>(bytes);
  int unit = 0;
  while (value >= 1024 && unit < 4) value /= 1024, ++unit;
  char text[32];
  std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", value, units[unit]);
  return text;
}

std::string ProgressText(const RunProgress& progress, const RunCounts& counts) {
  // Before the first job has begun, there is neither a job nor a folder to name.
  std::string text;
  if (!progress.job.empty()) text += "Job \"" + progress.job + "\" - ";
  if (!progress.folder.empty()) text += progress.folder + " - ";
  text += std::to_string(progress.checked) + " files checked, " + std::to_string(counts.copied) +
          " copied (" + ByteText(progress.bytesCopied) + "), " + std::to_string(progress.failed) + " failed";
  if (progress.fileSize > 0) {
    text += " - " + std::to_string(progress.fileDone * 100 / progress.fileSize) + "% of the file in hand";
  }
  return text;
}

std::string DurationText(long long seconds) {
  if (seconds < 60) return std::to_string(std::max(0LL, seconds)) + " s";
  if (seconds < 3600) return std::to_string(seconds / 60) + " min " + std::to_string(seconds % 60) + " s";
  return std::to_string(seconds / 3600) + " h " + std::to_string(seconds / 60 % 60) + " min";
}

std::string SummaryText(std::time_t started, std::time_t ended, const RunCounts& counts,
                        const RunProgress& progress, bool stopped) {
  return std::string(stopped ? "Stopped " : "Ended ") + RunDateTime(ended) + " after " +
         DurationText(static_cast<long long>(ended - started)) + ": " + Failures(progress.failed) + ", " +
         std::to_string(counts.copied) + " copied (" + ByteText(progress.bytesCopied) + "), " +
         std::to_string(counts.sourceDeleted) + " + " + std::to_string(counts.destinationDeleted) +
         " deleted (From + To), " + std::to_string(counts.foldersRemoved) + " folders removed";
}

std::string RunningTip(const RunProgress& progress) {
  return progress.job.empty() ? "Tandrel: running" : "Tandrel: running job \"" + progress.job + "\"";
}

std::string EndedTip(std::time_t ended, const RunProgress& progress, bool stopped) {
  return std::string("Tandrel: last run ") + (stopped ? "stopped " : "ended ") + RunDateTime(ended) + ", " +
         (progress.failed == 0 ? std::string("no failures") : Failures(progress.failed));
}

std::string TimedRunFailedText(std::time_t ended, const RunProgress& progress) {
  return "The timed run of " + RunDateTime(ended) + " ended with " + Failures(progress.failed);
}

bool IsFailureLine(const std::string& line) {
  if (line.rfind("File ", 0) == 0) {
    // "File ... .... [VERIFYERROR ]code N <paths>": the code is the first
    // number after " code ".
    const auto code = line.find(" code ");
    return Contains(line, " VERIFYERROR ") ||
           (code != std::string::npos && line.compare(code + 6, 2, "0 ") != 0);
  }
  return Contains(line, "VERIFYERROR") || Contains(line, " failed") || Contains(line, " not removed") ||
         Contains(line, "could not") || Contains(line, "does not exist for job") ||
         Contains(line, "job not run") || Contains(line, "overlap for job") || line == kRunStoppedLine;
}

}  // namespace tandrel::ui
