#pragma once
// Which display the windows go to, decided from the environment alone, so
// that the part of the program that loads no window system can ask too.

namespace tandrel {

// Whether the environment names no display at all, nor a platform for the
// windows: started from cron or over ssh.
bool NoDisplayNamed();

// Without any display the program still works (from cron, over ssh): Qt's
// offscreen platform needs no screen. Returns whether it was chosen. A
// display that is named but cannot be opened (a stale value in a cron or
// ssh session) falls back to the offscreen platform too, rather than ending
// the program in Qt.
bool ChooseDisplayPlatform();

// Whether TANDREL_DEBUG asks for the framework's own notes.
bool DebugWanted();

}  // namespace tandrel
