#include "platform/sim/folder_lock.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <iostream>
#include <thread>

namespace host::platform {

const char kLockFileName[] = "machine.lock";

namespace {

// The process id the holder wrote into the lock file, or "" while it has not written it yet.
std::string HolderOf(int descriptor) {
  char text[32] = {};
  ssize_t length = pread(descriptor, text, sizeof text - 1, 0);
  if (length <= 0) return "";
  std::string holder(text, static_cast<size_t>(length));
  while (!holder.empty() && (holder.back() == '\n' || holder.back() == ' ')) holder.pop_back();
  return holder;
}

std::string Holder(const std::string& pid) { return pid.empty() ? "another run" : "process " + pid; }

bool TryLock(int descriptor, FolderLock::Mode mode) {
  return flock(descriptor, (mode == FolderLock::Mode::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB) == 0;
}

}  // namespace

FolderLock::~FolderLock() { Release(); }

void FolderLock::Release(bool removeFile) {
  if (descriptor_ < 0) return;
  if (removeFile) {
    unlink(path_.c_str());
  } else if (!shared_) {
    // No stale id for the next waiter to name (a killed holder leaves its own, which is still right).
    bool cleared = ftruncate(descriptor_, 0) == 0;
    (void)cleared;
  }
  close(descriptor_);
  descriptor_ = -1;
}

bool FolderLock::StillGuardsFolder() const {
  struct stat held {}, named {};
  return fstat(descriptor_, &held) == 0 && stat(path_.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
         held.st_ino == named.st_ino;
}

bool FolderLock::Acquire(const std::string& folder, int waitSeconds, Mode mode, std::string* error) {
  std::string path = folder + "/" + kLockFileName;
  // A reader opens the file only for reading (flock needs no more), so that it writes nothing.
  int descriptor = mode == Mode::Shared ? open(path.c_str(), O_RDONLY | O_CLOEXEC) : -1;
  madeFile_ = false;
  if (descriptor < 0) {
    descriptor = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    madeFile_ = descriptor >= 0;
  }
  if (descriptor < 0 && errno == EEXIST) descriptor = open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (descriptor < 0) {
    *error = "cannot open the lock file " + path + ": " + strerror(errno) +
             "; nothing was changed: use a folder you can write with --machine DIR";
    return false;
  }
  if (!TryLock(descriptor, mode)) {
    std::string holder = HolderOf(descriptor);
    std::cerr << "basetdic-host: waiting up to " << waitSeconds << " s (--wait SECONDS) for " << Holder(holder)
              << ", which is using the machine in " << folder << std::endl;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(waitSeconds);
    while (!TryLock(descriptor, mode)) {
      if (std::chrono::steady_clock::now() >= deadline) {
        holder = HolderOf(descriptor);
        close(descriptor);
        *error = "the machine in " + folder + " is still in use by " + Holder(holder) + " after " +
                 std::to_string(waitSeconds) + " s; nothing was changed: run again when it has finished, or " +
                 "wait longer with --wait SECONDS";
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  shared_ = mode == Mode::Shared;
  if (!shared_) {
    std::string pid = std::to_string(getpid()) + "\n";
    // Only the waiting message of another run needs the id; the lock holds without it.
    bool written = ftruncate(descriptor, 0) == 0 && pwrite(descriptor, pid.data(), pid.size(), 0) >= 0;
    (void)written;
  }
  descriptor_ = descriptor;
  path_ = path;
  return true;
}

}  // namespace host::platform
