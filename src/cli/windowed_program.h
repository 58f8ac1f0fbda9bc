#pragma once
// The program is two executables: the one users start, which loads no
// window system, and the one with the windows, which it starts in its own
// place for everything but a run without any display.

namespace tandrel {

// The program with windows, beside the started one in a build, and in
// ../lib/tandrel/ from it where the package installs it.
inline constexpr char kWindowedProgramName[] = "tandrel-gui";
// Through which the started program tells the one with windows its own
// path: the configuration and the Log folder lie beside it.
inline constexpr char kStartedAsVariable[] = "TANDREL_STARTED_AS";

}  // namespace tandrel
