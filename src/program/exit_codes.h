#pragma once
// How the program ends, for whoever started it (cron, a script).

#include "log/run_observer.h"

namespace tandrel {

constexpr int kExitClean = 0;         // a clean run, or the resident program ended
constexpr int kExitStartUpError = 1;  // an error ended the start-up (shown in the error box),
                                      // such as a configuration file that cannot be read or
                                      // a run lock of another user
constexpr int kExitRunFailed = 2;     // the run ended but reported a failure
constexpr int kExitBusy = 3;          // another run of the same configuration was in progress

// The exit code of an unattended run that ended with `result`.
int ExitCodeOf(RunResult result);

}  // namespace tandrel
