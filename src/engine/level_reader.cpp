#include "engine/level_reader.h"

#include <vector>

#include "engine/read_ahead.h"
#include "engine/run_context.h"

namespace tandrel {
namespace {

// The fewest files of a level whose destination facts go to the second
// thread.
constexpr size_t kSharedReadingMinimum = 32;
// Files in a level from which waiting for the reader's reading under way
// costs less than reading the level again, even where the reader must
// first wait for a processor.
constexpr size_t kAwaitedReadingMinimum = 1024;

}  // namespace

LevelReader::LevelReader(RunContext& run, const platform::DirHandle& source, const platform::DirHandle& dest,
                         const LevelReader* parent)
    : run_(run),
      top_(parent == nullptr),
      source_(source),
      dest_(dest),
      destinations_(parent ? parent->destinations_ : nullptr) {}

void LevelReader::Open(const std::string& dir, bool ignoreCase) {
  dir_ = dir;
  source_.StopWhen(&run_.StopFlag());
  dest_.StopWhen(&run_.StopFlag());
  dest_.IgnoreCase(ignoreCase);
  listingStands_ = walkedBelow_ = false;
  listingStamp_ = 0;
}

void LevelReader::BeginListing(const WalkRules& rules) {
  source_.Begin(run_.ReadAheadEnabled());
  listingStands_ = source_.on();
  // Taken before the listing: a change made while listing shows as a
  // changed stamp.
  listingStamp_ = listingStands_ ? source_.dir().ChangeStamp() : 0;
  // A reading of the destination can only be checked where stamps tell.
  if (top_ && listingStamp_ != 0 && dest_.dir().valid() && run_.ReadAheadThread()) {
    ownDestinations_ =
        std::make_unique<DestinationReader>(source_.dir(), dest_.dir(), dir_, rules, run_.StopFlag());
    destinations_ = ownDestinations_.get();
  }
}

void LevelReader::ListingEnded(int error) {
  if (error == 0) {
    source_.Complete();
  } else {
    listingStands_ = false;
  }
}

void LevelReader::BeforeSubfolders() { run_.PostReadAhead(source_.dir(), dest_.dir()); }

void LevelReader::EnteringSubfolder() {
  walkedBelow_ = true;
  // A walked subfolder may change this level (a folder made or removed):
  // where no stamp would show it, the pass lists the level again.
  if (listingStands_ && listingStamp_ == 0) {
    listingStands_ = false;
    source_.Clear();
  }
}

int LevelReader::ReadForPass(const WalkRules& rules) {
  if (listingStands_ && walkedBelow_ && source_.dir().ChangeStamp() != listingStamp_) listingStands_ = false;
  if (!source_.Listed()) listingStands_ = false;
  const bool relist = !listingStands_;
  listingStands_ = false;
  if (relist) {
    source_.Begin(run_.ReadAheadEnabled());
    source_.List();
    if (source_.dir().valid() && source_.ListError() != 0) return source_.ListError();
  }
  // Taken whether or not the destination is there now, so that the
  // reader's readings never wait for a pass that will not come.
  bool destUnderWay = false;
  std::unique_ptr<FolderReading> destReading =
      destinations_ ? destinations_->Take(dir_, &destUnderWay) : nullptr;
  dest_.Begin(run_.ReadAheadEnabled());
  if (dest_.on()) ReadPassFacts(rules, std::move(destReading), destUnderWay);
  return 0;
}

void LevelReader::ReadPassFacts(const WalkRules& rules, std::unique_ptr<FolderReading> destReading,
                                bool destUnderWay) {
  // The files the pass will ask about, on both sides.
  std::vector<std::string> names;
  if (source_.Listed()) {
    FactsSearch search(source_, rules.mask, platform::attr::ReadOnly | platform::attr::Archive);
    platform::FindEntry entry;
    while (search.Next(entry)) {
      if (WalkRules::IsFile(entry)) names.push_back(std::move(entry.name));
    }
  }
  // A large destination the reader is reading now is not read twice: the
  // walk reads the source's side meanwhile, then takes the reader's. From a
  // slow disk, it is read here too, as more requests at once answer sooner.
  const ReadAhead* readAhead = run_.ReadAheadThread();
  if (destUnderWay && names.size() >= kAwaitedReadingMinimum && readAhead && readAhead->FoundWarm()) {
    source_.LookAt(names);
    destReading = destinations_->Await(dir_);
  }
  // The destination as the reader read it, while it still stands so: its
  // looks leave only the names it did not look at to be looked at here.
  const bool adopted = destReading && destReading->stamp == dest_.dir().ChangeStamp();
  if (adopted) dest_.Adopt(std::move(destReading->listing));
  destReading.reset();
  // The cleanup lists the destination anyway; listed before the copies, it
  // also answers for the names the destination lacks.
  const bool listDest = !adopted && run_.Job().cleanupDestination && source_.dir().valid();
  // The destination's share goes to the second thread while the walk reads
  // the source's; a small level, or one already read, is read here at once,
  // as handing it over takes longer than reading it.
  const bool handOver = !adopted && names.size() >= kSharedReadingMinimum;
  SharedReading destShare(handOver ? run_.ReadAheadThread() : nullptr, [&] {
    if (listDest) dest_.List();
    dest_.LookAt(names);
  });
  source_.LookAt(names);
  destShare.Settle();
  if (destShare.Failed()) dest_.Clear();
}

void LevelReader::DestinationMadeNow() {
  if (dest_.on()) return;
  dest_.Begin(run_.ReadAheadEnabled());
  dest_.Complete();
}

void LevelReader::Close() {
  if (top_) {
    destinations_ = nullptr;
    ownDestinations_.reset();
  }
  source_.Clear();
  dest_.Clear();
  listingStands_ = false;
}

}  // namespace tandrel
