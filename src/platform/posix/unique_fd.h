#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <utility>

namespace tandrel::platform::posix {

// Owns one file descriptor.
class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd() { reset(); }
  UniqueFd(UniqueFd&& o) noexcept : fd_(o.release()) {}
  UniqueFd& operator=(UniqueFd&& o) noexcept {
    if (this != &o) {
      reset();
      fd_ = o.release();
    }
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  // Closes and reports the error of close itself (delayed write errors).
  int close() {
    const int rc = fd_ >= 0 ? ::close(fd_) : 0;
    fd_ = -1;
    return rc;
  }

 private:
  int fd_;
};

// Removes a temporary file unless it was handed over. The path is relative
// to the directory descriptor `dirfd` (AT_FDCWD for an ordinary path).
class TempFileGuard {
 public:
  explicit TempFileGuard(std::string path, int dirfd = AT_FDCWD) : path_(std::move(path)), dirfd_(dirfd) {}
  ~TempFileGuard() {
    if (!path_.empty()) ::unlinkat(dirfd_, path_.c_str(), 0);
  }
  TempFileGuard(const TempFileGuard&) = delete;
  TempFileGuard& operator=(const TempFileGuard&) = delete;
  void Keep() { path_.clear(); }
  void Reset(std::string path) { path_ = std::move(path); }

 private:
  std::string path_;
  int dirfd_;
};

}  // namespace tandrel::platform::posix
