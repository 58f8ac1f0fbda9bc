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

// Whether "/SYNC" runs without the window system: the program chose the
// offscreen platform itself (no display at all, none asked for by the
// environment or a "-platform" argument), and the framework's own notes
// (TANDREL_DEBUG) are not wanted. Nobody could see a window then.
bool RunsUnattended(bool chosenOffscreen, int argc, const char* const* argv, bool debug);

// What needs neither a display nor a window: prints the answer to "--help"
// or "--version", or runs "--preview". Returns the exit code, or nothing
// when the program has to start its windows (or its unattended run).
std::optional<int> RunWithoutWindows(int argc, const char* const* argv, const std::string& programPath);

}  // namespace tandrel
