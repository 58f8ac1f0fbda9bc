#pragma once
// One entry of a folder's listing as the platform layer describes it.

#include <dirent.h>

#include "platform/platform.h"

namespace tandrel::platform::posix {

// Fills `entry` from the listed entry `d` of the folder open as `dirfd`,
// looking at the entry only where the listing does not tell its kind. False
// when it vanished before it could be looked at.
bool EntryFromListing(int dirfd, const dirent* d, FindEntry& entry);

}  // namespace tandrel::platform::posix
