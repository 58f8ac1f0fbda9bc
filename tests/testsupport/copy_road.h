#pragma once
// A whole copy made the way a run makes it, for tests of the copy itself.

#include <string>

#include "platform/copies.h"
#include "platform/folders.h"

namespace tandrel::test {

// Prepares the copy beside its destination, flushes it, names it over what
// the destination holds now and flushes the name: 0, or the code of the step
// that failed (the destination then stays as it was).
int CopyAsARun(const platform::DirHandle& sourceDir, const std::string& sourceName,
               const platform::DirHandle& destDir, const std::string& destName,
               const platform::CopyProgress& progress = {});
// The same between two paths (links in their folders followed).
int CopyAsARun(const std::string& source, const std::string& dest);

}  // namespace tandrel::test
