#include "platform/sim/machine_folder.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "platform/sim/crash_point.h"
#include "platform/sim/durable_files.h"
#include "platform/sim/file_digests.h"

namespace host::platform {
namespace {

namespace fs = std::filesystem;

const char kStagingName[] = "machine.staging";
// In the staging folder: present once everything staged is on disk, so that from then on the next Open
// rolls the commit forward instead of undoing the run.
const char kCommitMarker[] = "commit";
const char kOldDrives[] = "old-drives";
const char* const kMachineFiles[] = {"registry.reg", "machine.json"};
const char kDrives[] = "drives";

bool IsOwnEntry(const std::string& name) {
  return name == "machine.json" || name == "registry.reg" || name == kDrives || name == kLockFileName ||
         name == kStagingName || name == FileDigests::kFileName;
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

bool Rename(const fs::path& from, const fs::path& to, std::string* error) {
  std::error_code failed;
  fs::rename(from, to, failed);
  if (failed) *error = "cannot move " + from.string() + " to " + to.string() + ": " + failed.message();
  CrashPoint();
  return !failed;
}

// Drops a staging folder whose run is over: the journal goes first, so that a kill while the rest is
// removed can never leave a journal to be rolled back over a machine it no longer describes.
void RemoveStaging(const fs::path& staging) {
  std::error_code ignored;
  if (fs::remove(staging / RunJournal::kFileName, ignored)) SyncPath(staging, true);
  fs::remove(staging / kCommitMarker, ignored);
  CrashPoint();
  fs::remove_all(staging, ignored);
  CrashPoint();
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
  RemoveStaging(staging);
  return true;
}

// Undoes a run that ended before its commit: its journal puts the drives back, and nothing else of it
// was ever in place.
bool RollBack(const std::string& folder, const fs::path& staging, std::string* error) {
  if (!RunJournal::RollBack(folder, staging, error)) return false;
  RemoveStaging(staging);
  return true;
}

bool Recover(const std::string& folder, std::string* error) {
  fs::path staging = fs::path(folder) / kStagingName;
  std::error_code failed;
  if (!fs::exists(staging, failed)) return true;
  if (fs::exists(staging / kCommitMarker, failed)) {
    if (RollForward(folder, staging, error)) return true;
    *error = "an earlier run's saved machine could not be put in place: " + *error +
             "; it stays in " + staging.string() + " for the next run to finish";
    return false;
  }
  if (RollBack(folder, staging, error)) return true;
  *error = "an earlier run that did not finish could not be undone: " + *error + "; what it needs stays in " +
           staging.string() + " for the next run to finish: make that path writable and run again";
  return false;
}

}  // namespace

bool MachineFolder::Lock(FolderLock::Mode mode, int waitSeconds, std::string* error) {
  // A run that waited may find that the run before it removed the folder it had made for nothing.
  std::error_code failed;
  while (true) {
    if (!lock_.Acquire(folder_, waitSeconds, mode, error)) return false;
    if (lock_.StillGuardsFolder()) return true;
    lock_.Release();
    fs::create_directories(folder_, failed);
  }
}

bool MachineFolder::Open(const std::string& folder, int waitSeconds, Access access, std::string* error) {
  folder_ = folder;
  access_ = access;
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
  bool reads = access == Access::Read && !madeFolder_;
  if (!Lock(reads ? FolderLock::Mode::Shared : FolderLock::Mode::Exclusive, waitSeconds, error)) return false;
  // A reader that finds an earlier run to finish, or no machine yet, needs the folder to itself.
  if (reads && (fs::exists(path / kStagingName, failed) || Classify(path, &otherEntry_) == Contents::Empty)) {
    lock_.Release();
    if (!Lock(FolderLock::Mode::Exclusive, waitSeconds, error)) return false;
  }
  if (!lock_.Shared() && !Recover(folder, error)) return false;
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

bool MachineFolder::BeginNewMachine(std::string* error) {
  fs::path staging = Staging();
  std::error_code failed;
  fs::remove_all(staging, failed);
  fs::create_directories(staging / kDrives, failed);
  stage_ = Stage::NewMachine;
  if (failed) {
    *error = "cannot make the new machine in " + staging.string() + ": " + failed.message() +
             "; nothing was changed: free some space or name another folder with --machine DIR";
    return false;
  }
  CrashPoint();
  return true;
}

void MachineFolder::BeginInPlace() {
  stage_ = Stage::InPlace;
  if (access_ == Access::Change) journal_ = std::make_unique<RunJournal>(folder_, Staging());
}

bool MachineFolder::BeforeChange(const std::string& hostPath) {
  // A new machine is all new until its commit; outside a run's stage nothing may change the machine.
  if (stage_ == Stage::NewMachine) return true;
  if (journal_) return journal_->NoteBeforeChange(hostPath);
  if (stage_ == Stage::None) return false;
  if (readRefusal_.empty()) readRefusal_ = "a command that only reads the machine tried to change " + hostPath;
  return false;
}

std::string MachineFolder::RefusedChange() const { return journal_ ? journal_->Problem() : readRefusal_; }

std::string MachineFolder::RefusalFix() const { return journal_ ? journal_->Fix() : "report it"; }

bool MachineFolder::Commit(std::string* error) {
  fs::path staging = Staging();
  CrashPoint();
  if (!RefusedChange().empty()) {
    *error = RefusedChange();
    return false;
  }
  // A new machine is all in staging; a run in place has its journal on disk already, so only the saved
  // files and what the run changed on the drives remain.
  bool synced = false;
  if (stage_ == Stage::NewMachine) {
    synced = SyncTree(staging);
  } else if (journal_) {
    synced = journal_->SyncChanges() && SyncPath(staging, true);
    for (const char* name : kMachineFiles) synced = synced && SyncPath(staging / name, false);
  }
  if (!synced) {
    *error = "cannot write the machine's files in " + staging.string() + " to disk";
    return false;
  }
  CrashPoint();
  if (!CreateDurably(staging / kCommitMarker)) {
    *error = "cannot mark " + staging.string() + " as complete";
    return false;
  }
  committing_ = true;
  CrashPoint();
  committed_ = true;
  if (!RollForward(folder_, staging, error)) return false;
  stage_ = Stage::None;
  journal_.reset();
  committing_ = false;
  return true;
}

void MachineFolder::Discard() {
  std::error_code ignored;
  if (stage_ == Stage::NewMachine && !committing_) fs::remove_all(Staging(), ignored);
  if (stage_ == Stage::InPlace && journal_ && !committing_ && fs::exists(Staging(), ignored)) {
    // What fails here stays in staging, and the next run's Open finishes it.
    std::string unfinished;
    RollBack(folder_, Staging(), &unfinished);
  }
  stage_ = Stage::None;
  journal_.reset();
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
