#pragma once
// Rules of the Log folder: where it is, what the log file is called, which old
// files go, and the run's first line. The writer itself is AddLogLine on the
// main window's base.

#include <ctime>
#include <string>

namespace tandrel {

// "Tandrel.log", or "tl" + yymmdd + ".log" of the local date when per-day files are on.
std::string LogFileName(bool multipleLog, std::time_t now);

// Whole days between two moments, measured between their local date-times.
long WholeDaysApart(std::time_t a, std::time_t b);

// Deletes every ordinary file of the folder (any name; not sub-folders, hidden
// or special files) whose modification lies more than 300 days from now, in
// either direction. Failures are ignored.
void PurgeLogFolder(const std::string& folder, std::time_t now);

// A moment as the run log writes it: "yy-mm-dd  hh:mm" in local time, the
// separators fixed.
std::string RunDateTime(std::time_t t);
// "Synchronisation started at: yy-mm-dd  hh:mm".
std::string StartLine(std::time_t now);

}  // namespace tandrel
