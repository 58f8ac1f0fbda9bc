#pragma once
// Entries opened relative to an open folder, as openat() does elsewhere: the
// name is one entry of that folder, and a link or junction there is opened
// as itself, never followed.

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/entries.h"
#include "platform/win32/unique_handle.h"

namespace tandrel::platform::win32 {

// What to open and how; the defaults look at an entry without reading it.
struct OpenRequest {
  ACCESS_MASK access = FILE_READ_ATTRIBUTES | SYNCHRONIZE;
  ULONG share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  ULONG disposition = 1;  // FILE_OPEN
  ULONG options = 0;      // FILE_DIRECTORY_FILE, FILE_NON_DIRECTORY_FILE, ...
  ULONG attributes = 0;   // for a file created
};

// Opens `name` in `folder` (or, with a null folder, the absolute NT-style
// path `name`). An invalid handle with `error` set to the Win32 code when
// it cannot be opened.
UniqueHandle OpenAt(HANDLE folder, const std::wstring& name, const OpenRequest& request, int& error);

// Everything one look at an open entry tells, in the program's terms.
EntryFacts FactsOf(HANDLE handle);
// What the folder's own listing tells of its entry `name`: a link or
// junction shows there as what it is, even where an open would follow it.
EntryFacts ListedFacts(HANDLE folder, const std::wstring& name, uint64_t volume);
// Whether `opened` is the entry `listed` describes, not one a link led to.
bool SameEntry(const EntryFacts& listed, HANDLE opened);
// The same from the fields a folder listing gives.
EntryFacts FactsFrom(uint32_t fileAttributes, int64_t lastWrite, int64_t size, uint64_t volume,
                     uint64_t fileIndex);

// Seconds since 1970 and the nanoseconds beyond them, of a FILETIME value.
int64_t UnixSeconds(int64_t fileTime, int32_t* nanoseconds = nullptr);

// Sets the attribute bits of an open entry (times unchanged). 0 or the code.
int WriteAttributes(HANDLE handle, uint32_t fileAttributes);
// Marks an open entry for deletion; it goes when its last handle closes.
int DeleteOpened(HANDLE handle);

}  // namespace tandrel::platform::win32
