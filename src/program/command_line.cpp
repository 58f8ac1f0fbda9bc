#include "program/command_line.h"

#include <cstdio>
#include <cstring>

#include "config/locations.h"
#include "platform/process.h"
#include "program/exit_codes.h"
#include "program/preview_command.h"

namespace tandrel {
namespace {

bool Among(int argc, const char* const* argv, const char* argument) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], argument) == 0) return true;
  }
  return false;
}

std::string Usage(const std::string& programPath) {
  const FileLocations files = LocationsFor(programPath);
  return "Usage: tandrel [--minimized] [/SYNC]\n"
         "       tandrel --preview\n"
         "       tandrel --help | --version\n"
         "\n"
         "Keeps folders in step by the jobs set up in its Jobs dialog.\n"
         "\n"
         "  /SYNC        run every active job once and end, without a window; the\n"
         "               switch counts anywhere in the arguments, in any letter case\n"
         "               (/sync, now/SYNC); without it the program stays resident\n"
         "               in the system tray, which needs a display\n"
         "  --preview    show what a /SYNC run would do now and change nothing: every\n"
         "               line the run would log (with each file's line, whatever the\n"
         "               log settings say) and a count of what it would copy, delete\n"
         "               and remove; no log file, no window; exits as the run would\n"
         "  --minimized  start with the main window hidden, the tray icon only\n"
         "  -h, --help   print this text and end\n"
         "  --version    print the version and end\n"
         "\n"
         "Configuration: " +
         files.configFile + "\n" + "Log folder:    " + files.logFolder + "\n" +
         "Manual:        " + files.manual +
         "\n"
         "\n"
         "Exit codes of a /SYNC run (and of --preview, as the run would most likely end):\n"
         "  0  every active job ran and nothing failed\n"
         "  1  start-up failed, or the configuration file could not be read (the\n"
         "     message goes to standard error)\n"
         "  2  the run ended but reported a failure (also written to standard error)\n"
         "  3  another run of the same configuration was in progress; nothing done\n";
}

}  // namespace

std::string ArgumentText(int argc, const char* const* argv) {
  std::string text;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) text += ' ';
    text += argv[i];
  }
  return text;
}

int ShowStateOf(int argc, const char* const* argv) {
  return Among(argc, argv, "--minimized") ? kShowMinNoActive : kShowDefault;
}

bool HasSyncSwitch(const std::string& argumentText) {
  return platform::UpperCaseLocale(argumentText).find("/SYNC") != std::string::npos;
}

bool HasPreviewSwitch(int argc, const char* const* argv) { return Among(argc, argv, "--preview"); }

std::string CommandLineAnswer(int argc, const char* const* argv, const std::string& programPath) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return Usage(programPath);
    if (std::strcmp(argv[i], "--version") == 0) {
      return "Tandrel " + std::to_string(TANDREL_VERSION_MAJOR) + "." +
             std::to_string(TANDREL_VERSION_MINOR) + "." + std::to_string(TANDREL_VERSION_PATCH) + "." +
             std::to_string(TANDREL_VERSION_TWEAK) + "\n";
    }
  }
  return {};
}

Road RoadOf(bool chosenOffscreen, int argc, const char* const* argv, bool debug) {
  // The framework's own argument picks a platform over the environment.
  if (!chosenOffscreen || Among(argc, argv, "-platform") || Among(argc, argv, "--platform"))
    return Road::Windows;
  if (!HasSyncSwitch(ArgumentText(argc, argv))) return Road::NoDisplay;
  return debug ? Road::Windows : Road::Unattended;
}

std::optional<int> RunWithoutWindows(int argc, const char* const* argv, const std::string& programPath) {
  if (const std::string answer = CommandLineAnswer(argc, argv, programPath); !answer.empty()) {
    std::fwrite(answer.data(), 1, answer.size(), stdout);
    return std::fflush(stdout) == 0 ? kExitClean : kExitStartUpError;
  }
  if (HasPreviewSwitch(argc, argv)) return RunPreviewCommand(programPath);
  return std::nullopt;
}

}  // namespace tandrel
