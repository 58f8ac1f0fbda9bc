#pragma once
// Copies that wait to be flushed together. A copy is written unnamed; a
// batch of them is put on the disk with one flush, read back from the disk
// when verified, given its final name only when it is a true copy, and its
// folder entry flushed before anything counts on it (an archive mark, a
// line that says it is done). Whatever the run reports meanwhile waits with
// them, so that the log keeps the walk's order.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/platform.h"

namespace tandrel {

class CopyBatch {
 public:
  // How a waiting copy ended. Only a copy that ends with code 0 and no
  // difference stands under its name.
  struct Outcome {
    int code = 0;          // 0, or the code of the step that failed
    bool differs = false;  // the comparison found the copy unequal
    bool threw = false;    // the comparison could not be made at all
  };
  using Finish = std::function<void(const Outcome&)>;
  // Opens the source of a copy again for its verification.
  using SourceReader = std::function<platform::FileReader()>;

  CopyBatch();
  ~CopyBatch();
  CopyBatch(const CopyBatch&) = delete;
  CopyBatch& operator=(const CopyBatch&) = delete;

  // Adds a copy made by platform::PrepareCopy. With `source`, the copy is
  // compared with it as the disk holds the copy before it is named.
  // `finish` runs when the batch is done, in its place among the held steps.
  void Add(platform::PendingCopy copy, SourceReader source, Finish finish);
  // Runs `step` now when no copy waits, otherwise in its turn after them.
  void Then(std::function<void()> step);
  bool Waiting() const { return !steps_.empty(); }
  // Whether enough waits that the batch should be done now.
  bool Full() const;
  // Flushes, verifies and names every waiting copy, then runs the steps.
  void Complete();
  // Drops every waiting copy unnamed and every held step: for a run ended
  // by an escaping error.
  void Drop();

 private:
  struct Step;
  std::vector<Step> steps_;
  size_t copies_ = 0;
  int64_t bytes_ = 0;
};

// The code of the exception being handled: an allocation that failed, or
// anything else. Call it only inside a catch block.
int CodeOfCurrentException();

}  // namespace tandrel
