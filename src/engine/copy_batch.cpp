#include "engine/copy_batch.h"

#include <algorithm>
#include <exception>
#include <new>
#include <optional>
#include <system_error>
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
  platform::PendingCopy copy;  // none for a held line
  std::optional<AfterCopy> after;
  HeldLine line;
  CopyOutcome outcome;
  bool named = false;  // stands under its name, which waits for its flush
};

CopyBatch::CopyBatch(Sink& sink, size_t copiesPerFlush) : sink_(sink), copiesPerFlush_(copiesPerFlush) {}

CopyBatch::~CopyBatch() { Drop(); }

void CopyBatch::Add(platform::PendingCopy copy, AfterCopy after) {
  after.copied = copy.copied();
  bytes_ += after.copied.size;
  ++copies_;
  Step step;
  step.copy = std::move(copy);
  step.after = std::move(after);
  filling_.push_back(std::move(step));
  if (Full()) MoveOn();
}

void CopyBatch::Hold(HeldLine line) {
  if (!Waiting()) {
    sink_.LineDue(line);
    return;
  }
  Step held;
  held.line = std::move(line);
  filling_.push_back(std::move(held));
  if (Full()) MoveOn();
}

bool CopyBatch::Waiting() const { return !filling_.empty() || !flushing_.empty() || !named_.empty(); }

bool CopyBatch::Full() const {
  return copies_ >= copiesPerFlush_ || bytes_ >= kBytesPerFlush || filling_.size() >= kStepsPerFlush;
}

int CopyBatch::AwaitFlush() { return flush_.valid() ? flush_.get() : 0; }

void CopyBatch::StartFlush() {
  std::vector<const platform::PendingCopy*> copies;
  for (const Steps* steps : {&named_, &flushing_}) {
    for (const Step& s : *steps) {
      if (s.copy.valid()) copies.push_back(&s.copy);
    }
  }
  if (copies.empty()) return;
  // The walk leaves both batches alone until the flush has ended.
  auto flush = [this, copies = std::move(copies)] {
    const int flushed = platform::FlushCopies(copies);
    NameFlushed(flushed);
    return flushed;
  };
  if (background_) {
    try {
      flush_ = std::async(std::launch::async, flush);
      return;
    } catch (const std::system_error&) {
      // No thread to be had: flushed here instead.
    }
  }
  std::promise<int> flushed;
  flushed.set_value(flush());
  flush_ = flushed.get_future();
}

void CopyBatch::NameFlushed(int flushed) {
  std::vector<uint64_t> kept;
  for (Step& s : flushing_) {
    if (!s.copy.valid()) continue;
    CopyOutcome& o = s.outcome;
    o.code = flushed;
    if (o.code == 0 && s.after->compare) {
      try {
        platform::FileReader source(*s.after->source, s.after->name);
        platform::FileReader copy = s.copy.ReadBack();
        o.differs = !SameContent(source, copy);
        // A side that could not be opened or read was not compared: that
        // is its error, never a difference.
        if (const int error = source.error() ? source.error() : copy.error()) {
          o.code = error;
          o.differs = false;
        }
      } catch (...) {
        o.code = CodeOfCurrentException();
        o.threw = true;
      }
    }
    if (o.code == 0 && !o.differs) o.code = s.copy.Publish();
    s.named = o.code == 0 && !o.differs;
    // A named copy is held only as far as its name's flush needs it: one
    // per file system that flushes as a whole.
    const uint64_t key = s.copy.FlushKey();
    if (s.named && (key == 0 || std::find(kept.begin(), kept.end(), key) == kept.end())) {
      if (key != 0) kept.push_back(key);
    } else {
      s.copy.Discard();
    }
  }
}

void CopyBatch::FinishNamed(int flushed) {
  Steps steps = std::exchange(named_, {});
  for (Step& s : steps) {
    if (s.named && s.outcome.code == 0) s.outcome.code = flushed;
    if (s.after) {
      sink_.CopyEnded(s.outcome, *s.after);
    } else {
      sink_.LineDue(s.line);
    }
    s.copy.Discard();
  }
}

void CopyBatch::MoveOn() {
  // One flush put the newer batch's data and the older one's names on the
  // disk, and the newer batch has been named since.
  const int flushed = AwaitFlush();
  FinishNamed(flushed);
  named_ = std::exchange(flushing_, {});
  flushing_ = std::exchange(filling_, {});
  copies_ = 0;
  bytes_ = 0;
  StartFlush();
}

void CopyBatch::Complete() {
  while (!filling_.empty() || !flushing_.empty() || !named_.empty() || flush_.valid()) MoveOn();
}

void CopyBatch::Drop() {
  // Ended, whatever it ended with: a run ending by an error wants no other.
  if (flush_.valid()) flush_.wait();
  flush_ = {};
  filling_.clear();
  flushing_.clear();
  named_.clear();
  copies_ = 0;
  bytes_ = 0;
}

}  // namespace tandrel
