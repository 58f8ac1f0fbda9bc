#pragma once
// The command line: the switches the program knows, the answers it prints
// instead of starting, and the roads that need no window at all.

#include <optional>
#include <string>

namespace tandrel {

// Show states the start-up tells apart (the values Windows gives them).
constexpr int kShowDefault = 10;
constexpr int kShowMinNoActive = 7;  // stay hidden, tray icon only

// The arguments after the program name, joined by blanks.
std::string ArgumentText(int argc, const char* const* argv);
// "--minimized" among the arguments gives kShowMinNoActive.
int ShowStateOf(int argc, const char* const* argv);
// "/SYNC" anywhere in the argument text, letter case ignored by the locale's rules.
bool HasSyncSwitch(const std::string& argumentText);
// Whether "--preview" is among the arguments.
bool HasPreviewSwitch(int argc, const char* const* argv);

// The answer to "--help"/"-h" or "--version" among the arguments, printed
// instead of starting the program; empty when neither is given.
std::string CommandLineAnswer(int argc, const char* const* argv, const std::string& programPath);

// Where the program goes when it has to start more than an answer.
enum class Road {
  Windows,     // the splash and the main window; "/SYNC" runs through them
  Unattended,  // "/SYNC" without the window system
  NoDisplay,   // a resident window that nobody could ever see: refused
};
// The line that refuses Road::NoDisplay on standard error.
inline constexpr char kNoDisplayLine[] =
    "No display: the window cannot be shown (use /SYNC for an unattended run)";

// `chosenOffscreen`: the program chose the offscreen platform itself, as no
// display exists and the environment asks for no platform. Unless a
// "-platform" argument asks for one, nobody could see a window then: "/SYNC"
// runs unattended (through the windows when the framework's own notes are
// wanted, `debug`), and without it the program refuses to stay resident.
Road RoadOf(bool chosenOffscreen, int argc, const char* const* argv, bool debug);

// What needs neither a display nor a window: prints the answer to "--help"
// or "--version", or runs "--preview". Returns the exit code, or nothing
// when the program has to start its windows (or its unattended run).
std::optional<int> RunWithoutWindows(int argc, const char* const* argv, const std::string& programPath);

}  // namespace tandrel
