#include "platform/sim/machine_folder.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace host::platform {
namespace {

namespace fs = std::filesystem;

const char kStagingName[] = "machine.staging";
// In the staging folder: present once everything staged is on disk, so that from then on the next Open
// rolls the commit forward instead of discarding it.
const char kCommitMarker[] = "commit";
const char kOldDrives[] = "old-drives";
const char* const kMachineFiles[] = {"registry.reg", "machine.json"};
const char kDrives[] = "drives";

bool IsOwnEntry(const std::string& name) {
  return name == "machine.json" || name == "registry.reg" || name == kDrives || name == kLockFileName ||
         name == kStagingName;
}

bool IsLockOrStaging(const std::string& name) { return name == kLockFileName || name == kStagingName; }

// Sorted entry names of folder, so that the one named in a message is the same every time.
std::vector<std::string> EntryNames(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code failed;
  for (fs::directory_iterator it(folder, failed), end; !failed && it != end; it.increment(failed)) {
    names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

MachineFolder::Contents Classify(const fs::path& folder, std::string* first) {
  first->clear();
  std::error_code failed;
  if (fs::is_regular_file(folder / "machine.json", failed)) return MachineFolder::Contents::Machine;
  for (const std::string& name : EntryNames(folder)) {
    if (!IsLockOrStaging(name)) {
      *first = name;
      return MachineFolder::Contents::Other;
    }
  }
  return MachineFolder::Contents::Empty;
}

// A test hook: BASETDIC_HOST_CRASH_AT=N kills the process with SIGKILL at the Nth step of staging and
// commit, so that tests can show that a run killed anywhere leaves a folder that loads.
void CrashPoint() {
  static const char* setting = std::getenv("BASETDIC_HOST_CRASH_AT");
  static long target = setting ? std::atol(setting) : 0;
  static long reached = 0;
  if (target > 0 && ++reached == target) kill(getpid(), SIGKILL);
}

bool SyncPath(const fs::path& path, bool directory) {
  int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC | (directory ? O_DIRECTORY : 0));
  if (descriptor < 0) return false;
  bool synced = fsync(descriptor) == 0;
  close(descriptor);
  return synced;
}

// Everything under root on disk, files and folders, root included.
bool SyncTree(const fs::path& root) {
  std::error_code failed;
  for (fs::recursive_directory_iterator it(root, failed), end; !failed && it != end; it.increment(failed)) {
    if (it->is_symlink(failed)) continue;
    bool directory = it->is_directory(failed);
    if (!directory && !it->is_regular_file(failed)) continue;
    if (!SyncPath(it->path(), directory)) return false;
  }
  return !failed && SyncPath(root, true);
}

bool Rename(const fs::path& from, const fs::path& to, std::string* error) {
  std::error_code failed;
  fs::rename(from, to, failed);
  if (failed) *error = "cannot move " + from.string() + " to " + to.string() + ": " + failed.message();
  CrashPoint();
  return !failed;
}

// Puts what staging holds in place, one rename per entry; every step can be repeated after a crash, so
// the next Open finishes an interrupted commit by calling this again.
bool RollForward(const fs::path& folder, const fs::path& staging, std::string* error) {
  std::error_code failed;
  for (const char* name : kMachineFiles) {
    if (fs::exists(staging / name, failed) && !Rename(staging / name, folder / name, error)) return false;
  }
  if (fs::exists(staging / kDrives, failed)) {
    // A folder cannot be renamed over a full one: the old drives move into staging first, and are
    // removed with it.
    if (fs::exists(folder / kDrives, failed) && !Rename(folder / kDrives, staging / kOldDrives, error)) return false;
    if (!Rename(staging / kDrives, folder / kDrives, error)) return false;
  }
  if (!SyncPath(folder, true)) {
    *error = "cannot write " + folder.string() + " to disk";
    return false;
  }
  fs::remove(staging / kCommitMarker, failed);
  CrashPoint();
  fs::remove_all(staging, failed);
  CrashPoint();
  return true;
}

bool Recover(const fs::path& folder, std::string* error) {
  fs::path staging = folder / kStagingName;
  std::error_code failed;
  if (!fs::exists(staging, failed)) return true;
  if (fs::exists(staging / kCommitMarker, failed)) {
    if (RollForward(folder, staging, error)) return true;
    *error = "an earlier run's saved machine could not be put in place: " + *error +
             "; it stays in " + staging.string() + " for the next run to finish";
    return false;
  }
  fs::remove_all(staging, failed);  // a run that ended before its commit: nothing of it was kept
  return true;
}

}  // namespace

bool MachineFolder::Open(const std::string& folder, int waitSeconds, std::string* error) {
  folder_ = folder;
  if (folder.empty()) {
    *error = "--machine was given an empty folder name: name the machine's folder, e.g. --machine basetdic-machine";
    return false;
  }
  std::error_code failed;
  fs::path path(folder);
  if (fs::exists(path, failed)) {
    if (!fs::is_directory(path, failed)) {
      *error = folder + " is a file, not a folder: name a folder for the machine with --machine DIR";
      return false;
    }
    // Something else than a machine, unless an interrupted commit (its staging) explains it.
    if (Classify(path, &otherEntry_) == Contents::Other && !fs::exists(path / kStagingName, failed)) {
      contents_ = Contents::Other;
      return true;
    }
  } else {
    // The outermost folder this run makes, so that a run ending in an error can take the whole path back.
    fs::path outermost = fs::absolute(path, failed).lexically_normal();
    while (outermost.has_parent_path() && outermost.parent_path() != outermost &&
           !fs::exists(outermost.parent_path(), failed)) {
      outermost = outermost.parent_path();
    }
    madeFolder_ = fs::create_directories(path, failed);
    if (madeFolder_) outermostMade_ = outermost;
    if (failed) {
      *error = "cannot create the machine folder " + folder + ": " + failed.message() +
               "; nothing was created: name a folder you can write with --machine DIR";
      return false;
    }
  }
  // A run that waited may find that the run before it removed the folder it had made for nothing.
  while (true) {
    if (!lock_.Acquire(folder, waitSeconds, error)) return false;
    if (lock_.StillGuardsFolder()) break;
    lock_.Release();
    fs::create_directories(path, failed);
  }
  if (!Recover(path, error)) return false;
  contents_ = Classify(path, &otherEntry_);
  return true;
}

std::string MachineFolder::FirstForeignEntry() const {
  for (const std::string& name : EntryNames(folder_)) {
    if (!IsOwnEntry(name)) return name;
  }
  return "";
}

std::string MachineFolder::Staging() const { return (fs::path(folder_) / kStagingName).string(); }

bool MachineFolder::BeginStaging(bool copyDrives, std::string* error) {
  fs::path staging = Staging();
  std::error_code failed;
  fs::remove_all(staging, failed);
  fs::create_directories(staging, failed);
  staging_ = true;
  if (!failed && copyDrives && fs::exists(fs::path(folder_) / kDrives, failed)) {
    fs::copy(fs::path(folder_) / kDrives, staging / kDrives, fs::copy_options::recursive | fs::copy_options::copy_symlinks,
             failed);
  }
  if (failed) {
    *error = "cannot make the run's working copy in " + staging.string() + ": " + failed.message() +
             "; nothing was changed: free some space or name another folder with --machine DIR";
    return false;
  }
  CrashPoint();
  return true;
}

bool MachineFolder::Commit(std::string* error) {
  fs::path staging = Staging();
  CrashPoint();
  if (!SyncTree(staging)) {
    *error = "cannot write the machine's files in " + staging.string() + " to disk";
    return false;
  }
  CrashPoint();
  int marker = open((staging / kCommitMarker).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  bool marked = marker >= 0 && fsync(marker) == 0;
  if (marker >= 0) close(marker);
  if (!marked || !SyncPath(staging, true)) {
    *error = "cannot mark " + staging.string() + " as complete";
    return false;
  }
  committing_ = true;
  CrashPoint();
  committed_ = true;
  if (!RollForward(folder_, staging, error)) return false;
  staging_ = false;
  committing_ = false;
  return true;
}

void MachineFolder::Discard() {
  std::error_code ignored;
  if (staging_ && !committing_) {
    fs::remove_all(Staging(), ignored);
    staging_ = false;
  }
  if (!lock_.Held() || committed_ || Holds() != Contents::Empty) return;
  lock_.Release(lock_.MadeLockFile());
  if (!madeFolder_) return;
  // Each folder goes only when empty, from the machine folder out to the outermost one this run made.
  for (fs::path made = fs::absolute(folder_, ignored).lexically_normal(); fs::remove(made, ignored);
       made = made.parent_path()) {
    if (made == outermostMade_) break;
  }
}

}  // namespace host::platform
