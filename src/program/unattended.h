#pragma once
// The "/SYNC" road where nobody can see a window: no display at all (cron,
// ssh). The run goes through the engine alone, without any window object,
// and leaves the same files, log, messages and exit code as the main
// window's run would.

#include <exception>
#include <functional>
#include <string>

namespace tandrel {

// The application's title: the error box's caption, and the name before
// an error's message on standard error.
inline constexpr char kApplicationTitle[] = "Kolvane Tandrel";

// Where an unattended run's failures go besides the log: standard error,
// one line each (cron mails them).
void EchoToStandardError(const std::string& line);

// "/SYNC" and "--preview" of a configuration file that does not exist, or
// that lists no active job, have nothing to do: writes `No configuration
// file at <path>: nothing to do` or `No active jobs in <path>: nothing to
// do` to standard error, since such a run would otherwise pass for a clean
// one (a crontab that calls another copy, or runs with another HOME; a file
// saved in a form that hides its jobs), and returns true. False, and
// nothing written, when the file lists jobs or cannot be read.
bool SayIfNoConfiguration(const std::string& configPath);

// Writes an error that ended the start-up to standard error, under the
// application title, as the error box does without a screen.
void ReportStartUpError(std::exception_ptr error);

// One run of every active job of the program at `programPath`, as the main
// window would make it on "/SYNC", through the run engine and its log writer
// alone. `engineCreated`, when given, is called once the engine exists.
// Returns the exit code (one of exit_codes.h).
int RunUnattended(const std::string& programPath, const std::function<void()>& engineCreated = {});

}  // namespace tandrel
