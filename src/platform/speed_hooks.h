#pragma once
// What the run's speed machinery asks of the system: how many copies share
// a flush and may wait at once, and whether the disk answers from its
// caches. No answer here changes what a run decides, only how fast.

#include <cstddef>
#include <cstdint>

namespace tandrel::platform {

// Blocks the calling thread has had read from a disk so far; 0 where the
// system does not count them. Answers from the system's caches add none.
uint64_t BlocksReadByThisThread();
// Whether the system counts them.
bool BlocksAreCounted();

// The most copies worth one flush on this platform; how many may wait at
// once also depends on DescriptorLimit.
size_t CopiesPerFlush();
// How many descriptors the process may hold at once: the open-file limit,
// raised first as far as the system lets it. A platform without so small a
// limit answers a large number.
size_t DescriptorLimit();

}  // namespace tandrel::platform
