#include "program/exit_codes.h"

namespace tandrel {

int ExitCodeOf(RunResult result) {
  switch (result) {
    case RunResult::Clean:
      return kExitClean;
    case RunResult::Failed:
      return kExitRunFailed;
    case RunResult::Busy:
      return kExitBusy;
    case RunResult::Unreadable:
    case RunResult::LockRefused:
      return kExitStartUpError;
  }
  return kExitRunFailed;
}

}  // namespace tandrel
