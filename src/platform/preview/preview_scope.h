#pragma once
// A preview of a run: a file system over the one in force, which changes
// nothing and plans instead.

#include <memory>

namespace tandrel::platform {

// While one lives on a thread, the operations of platform.h called on that
// thread change nothing: no file, folder, attribute, time, log file,
// configuration or lock file is created, written or removed. Each change is
// checked as the real operation checks it (a read-only file, a folder in the
// way, a folder that may not be written, a folder not empty), answered with
// the code it would most likely get, and kept in a plan; every later
// question (ages, attributes, existence, listings, a file's content) is
// answered from that plan over the real tree, so the run goes on as if the
// change had been made. RunLock only looks whether another run holds the
// lock. Scopes nest: an inner one plans on its own, over the real tree.
class PreviewScope {
 public:
  PreviewScope();
  ~PreviewScope();
  PreviewScope(const PreviewScope&) = delete;
  PreviewScope& operator=(const PreviewScope&) = delete;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tandrel::platform
