#pragma once
// Copies that wait to be flushed together. A copy is written unnamed; a
// batch of them is put on the disk with one flush, read back from the disk
// when verified, given its final name only when it is a true copy, and its
// folder entry flushed before anything counts on it (an archive mark, a
// line that says it is done). Whatever the run reports meanwhile waits with
// them, so that the log keeps the walk's order.
//
// Batches follow each other: while one is flushed, the walk fills the next,
// and one flush puts the data of the newer batch and the names of the older
// on the disk together.

#include <cstdint>
#include <future>
#include <memory>
#include <vector>

#include "engine/after_copy.h"
#include "platform/copies.h"
#include "platform/speed_hooks.h"

namespace tandrel {

class CopyBatch {
 public:
  // Where the held steps go in their turn, once the copies before them are
  // done: nothing the sink does comes back to the batch.
  class Sink {
   public:
    virtual void CopyEnded(const CopyOutcome& outcome, AfterCopy& after) = 0;
    virtual void LineDue(const HeldLine& line) = 0;

   protected:
    ~Sink() = default;
  };
  // At most `copiesPerFlush` copies wait for one flush.
  explicit CopyBatch(Sink& sink, size_t copiesPerFlush = platform::CopiesPerFlush());
  void SetCopiesPerFlush(size_t copiesPerFlush) { copiesPerFlush_ = copiesPerFlush; }
  ~CopyBatch();
  CopyBatch(const CopyBatch&) = delete;
  CopyBatch& operator=(const CopyBatch&) = delete;

  // Whether a flush runs on a thread of its own while the walk goes on, or
  // where it is started.
  void FlushInBackground(bool on) { background_ = on; }
  // Adds a copy made by platform::PrepareCopy. Where `after` asks for it,
  // the copy is compared with its source as the disk holds the copy,
  // before it is named. `after` goes to the sink when the batch is done, in
  // its place among the held steps, with what the copy read. A batch that
  // is full then moves on by itself.
  void Add(platform::PendingCopy copy, AfterCopy after);
  // Gives `line` to the sink now when nothing waits, otherwise in its turn
  // after them (and moves on when that fills the batch).
  void Hold(HeldLine line);
  bool Waiting() const;
  // Flushes, verifies and names every waiting copy, then runs the steps.
  void Complete();
  // Drops every unnamed copy and every held step: for a run ended by an
  // escaping error.
  void Drop();

 private:
  struct Step;
  using Steps = std::vector<Step>;
  // Whether enough waits that the batch should move on now.
  bool Full() const;
  // Finishes the batch whose names were being flushed and starts the flush
  // of the waiting copies, which then names them.
  void MoveOn();
  // The result of the flush under way, once it has ended; 0 when none is.
  int AwaitFlush();
  void StartFlush();
  // Reads back and names the copies whose data the flush with result
  // `flushed` put on the disk: on the flush's thread, after it.
  void NameFlushed(int flushed);
  // Gives the steps of the batch whose names the flush put on the disk to
  // the sink.
  void FinishNamed(int flushed);

  Sink& sink_;
  size_t copiesPerFlush_;
  bool background_ = false;
  Steps filling_;   // the walk adds here
  Steps flushing_;  // data on its way to the disk
  Steps named_;     // named, the names on their way to the disk
  size_t copies_ = 0;
  int64_t bytes_ = 0;
  std::future<int> flush_;  // the flush under way
};

// The code of the exception being handled: an allocation that failed, or
// anything else. Call it only inside a catch block.
int CodeOfCurrentException();

}  // namespace tandrel
