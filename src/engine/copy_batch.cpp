#include "engine/copy_batch.h"

#include <exception>
#include <new>
#include <utility>

#include "engine/same_content.h"

namespace tandrel {
namespace {

// Bytes that may wait for one flush: little enough that a Stop or a failure
// costs little work.
constexpr int64_t kBytesPerFlush = int64_t{128} << 20;
// Lines that may wait with them: a long stretch of lines after one copy
// would otherwise keep them all back, and the window waiting for them.
constexpr size_t kStepsPerFlush = 4096;

}  // namespace

int CodeOfCurrentException() {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return platform::kErrOutOfMemory;
  } catch (...) {
    return platform::kErrInternal;
  }
}

struct CopyBatch::Step {
  platform::PendingCopy copy;  // none for a held step
  SourceReader source;
  Finish finish;
  std::function<void()> run;
  Outcome outcome;
};

CopyBatch::CopyBatch() = default;
CopyBatch::~CopyBatch() = default;

void CopyBatch::Add(platform::PendingCopy copy, SourceReader source, Finish finish) {
  bytes_ += copy.copied().size;
  ++copies_;
  Step step;
  step.copy = std::move(copy);
  step.source = std::move(source);
  step.finish = std::move(finish);
  steps_.push_back(std::move(step));
}

void CopyBatch::Then(std::function<void()> step) {
  if (steps_.empty()) {
    step();
    return;
  }
  Step held;
  held.run = std::move(step);
  steps_.push_back(std::move(held));
}

bool CopyBatch::Full() const {
  return copies_ >= platform::CopiesPerFlush() || bytes_ >= kBytesPerFlush || steps_.size() >= kStepsPerFlush;
}

void CopyBatch::Complete() {
  std::vector<Step> steps = std::exchange(steps_, {});
  copies_ = 0;
  bytes_ = 0;
  std::vector<const platform::PendingCopy*> copies;
  for (const Step& s : steps) {
    if (s.copy.valid()) copies.push_back(&s.copy);
  }
  // Data first: nothing is read back or named before it is on the disk.
  const int flushed = platform::FlushCopies(copies);
  copies.clear();
  for (Step& s : steps) {
    if (!s.copy.valid()) continue;
    Outcome& o = s.outcome;
    o.code = flushed;
    if (o.code == 0 && s.source) {
      try {
        platform::FileReader source = s.source();
        platform::FileReader copy = s.copy.ReadBack();
        o.differs = !SameContent(source, copy);
      } catch (...) {
        o.code = CodeOfCurrentException();
        o.threw = true;
      }
    }
    if (o.code == 0 && !o.differs) o.code = s.copy.Publish();
    if (o.code == 0 && !o.differs) {
      copies.push_back(&s.copy);
    } else {
      s.copy.Discard();
    }
  }
  // Then the names, before a mark or a line counts on them.
  if (const int rc = platform::FlushCopies(copies)) {
    for (Step& s : steps) {
      if (s.copy.valid() && s.outcome.code == 0) s.outcome.code = rc;
    }
  }
  for (Step& s : steps) {
    if (s.run) {
      s.run();
    } else {
      s.finish(s.outcome);
    }
    s.copy.Discard();
  }
}

void CopyBatch::Drop() {
  steps_.clear();
  copies_ = 0;
  bytes_ = 0;
}

}  // namespace tandrel
