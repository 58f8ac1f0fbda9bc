#pragma once
// The small layer in place of the Windows API: folders and files of a job's
// trees, attributes, the run lock, log files, the configuration's text, the
// clock and the locale. Every operation that can fail returns or reports the
// platform's own error code (the C library's numbers on Linux, GetLastError
// on Windows) so that the engine can log it; nothing here throws. Paths are UTF-8 text with the
// platform's separator (platform/paths.h). Each platform implements this
// header in its own folder; the preview wraps it (platform/preview). The
// interface is split by concern; this header brings all of it.

#include "platform/copies.h"
#include "platform/entries.h"
#include "platform/error_codes.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/process.h"
#include "platform/speed_hooks.h"
