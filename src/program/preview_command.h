#pragma once
// "tandrel --preview": what an unattended run would do now, printed, with
// nothing changed and no window.

#include <string>

namespace tandrel {

// Previews every active job of the configuration that belongs to
// `programPath`, printing each line the run would log (with every file
// line) and the closing count to standard output. Returns the exit code
// the run would most likely end with (kExitClean, kExitRunFailed or
// kExitBusy), or kExitStartUpError when the output cannot be written or,
// as for the run, the configuration file cannot be read (its line then
// goes to standard error too). A run that could not start (busy,
// unreadable) prints its one line and no count; without a configuration
// file or an active job only SayIfNoConfiguration's line is written, and the
// result is kExitClean.
int RunPreviewCommand(const std::string& programPath);

}  // namespace tandrel
