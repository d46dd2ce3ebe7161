// The machine folder's lock: a flock on <folder>/machine.lock, held from load to save, so that one run at
// a time changes the machine. A run that only reads the machine shares it with other readers and writes
// nothing in the folder; one that changes the machine holds it alone and writes its process id into the
// file for whoever waits. The kernel releases it when the process ends, however it ends.
#ifndef BASETDIC_HOST_FOLDER_LOCK_H
#define BASETDIC_HOST_FOLDER_LOCK_H

#include <string>

namespace host::platform {

class FolderLock {
 public:
  FolderLock() = default;
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  enum class Mode { Exclusive, Shared };

  // Takes the lock on folder (which exists), waiting up to waitSeconds for another run to finish; says on
  // stderr once that it waits and for which process. False with *error when the time is up or the lock
  // file cannot be opened; nothing in the folder is changed then, beyond the lock file itself (which a
  // shared lock makes only when it is missing).
  bool Acquire(const std::string& folder, int waitSeconds, Mode mode, std::string* error);
  bool Held() const { return descriptor_ >= 0; }
  bool Shared() const { return shared_; }
  // True when this Acquire made the lock file (it was not there before).
  bool MadeLockFile() const { return madeFile_; }
  // False when the lock file was removed or replaced while this run waited for it: the lock then guards
  // nothing, and the caller releases it and tries again.
  bool StillGuardsFolder() const;
  // Releases the lock; with removeFile, removes the lock file first (while still holding it).
  void Release(bool removeFile = false);

 private:
  int descriptor_ = -1;
  bool madeFile_ = false;
  bool shared_ = false;
  std::string path_;
};

// The lock file's name inside a machine folder.
extern const char kLockFileName[];

}  // namespace host::platform

#endif
