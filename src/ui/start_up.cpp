#include "ui/start_up.h"

#include <cstdint>
#include <cstdio>

#include "program/command_line.h"
#include "program/exit_codes.h"
#include "program/unattended.h"

namespace tandrel::ui {

std::string ResidentName(const std::string& configPath) {
  // FNV-1a over the path's bytes: short, stable across runs and builds.
  std::uint64_t hash = 0xcbf29ce484222325u;
  for (const unsigned char byte : configPath) hash = (hash ^ byte) * 0x100000001b3u;
  char name[32];
  std::snprintf(name, sizeof name, "tandrel-%016llx", static_cast<unsigned long long>(hash));
  return name;
}

int RunStartUp(StartUpWindows& windows, const std::string& argumentText, int showState, bool showSplash) {
  MainWindowLogic& logic = windows.Logic();
  if (showSplash) windows.ShowSplash();

  if (HasSyncSwitch(argumentText)) {
    if (SayIfNoConfiguration(logic.ConfigPath())) return kExitClean;
    if (windows.EchoesFailures()) logic.SetFailureEcho(EchoToStandardError);
    // One run; the tray icon stays live meanwhile, so a Stop or a close
    // from there is heard.
    logic.Perform(MainCommand::Synchronise);
    windows.WaitForRun();
    const std::optional<RunResult> result = logic.LastResult();
    // What escaped the run has been shown in the error box.
    if (!result) return kExitStartUpError;
    if (ExitCodeOf(*result) == kExitStartUpError) windows.ShowError(logic.Engine().StartError());
    return ExitCodeOf(*result);
  }

  // A close confirmed from the tray icon while the splash was up.
  if (logic.EndRequested()) return kExitClean;
  windows.ShowMainWindow(showState);
  logic.ShowSchedule();
  // The first thing to see when the jobs cannot be read; every run says it
  // again in the log area.
  if (const std::string error = logic.CheckConfiguration(); !error.empty()) windows.ShowError(error);
  windows.RunMessageLoop();
  return kExitClean;
}

}  // namespace tandrel::ui
