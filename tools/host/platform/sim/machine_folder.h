// The machine folder as a run uses it. Under the folder's lock a run changes the machine's drives in
// place, and its journal (run_journal.h) notes what each file and folder was before the run first changes
// it; the machine's saved files, machine.json and registry.reg, are written into a staging folder inside
// it (machine.staging). Commit marks the staging folder complete and puts the saved files in place with
// renames. A run that fails or is killed before that mark is undone from its journal, by itself or by the
// next run that opens the folder; one killed after it is finished by the next run. So the folder always
// holds the machine before a run or the one after it, and a run costs what it changes. A new machine is
// built whole in the staging folder, drives included, and put in place the same way.
//
// The folder's own entries are machine.json, registry.reg, drives/, machine.lock, machine.staging/ and
// machine.digests; nothing else in the folder is ever removed or replaced.
#ifndef BASETDIC_HOST_MACHINE_FOLDER_H
#define BASETDIC_HOST_MACHINE_FOLDER_H

#include <filesystem>
#include <memory>
#include <string>

#include "platform/sim/folder_lock.h"
#include "platform/sim/run_journal.h"

namespace host::platform {

class MachineFolder {
 public:
  enum class Contents { Empty, Machine, Other };
  // Read: the run only looks at the machine; it shares the lock with other readers, changes nothing and
  // writes nothing in the folder (unless it has to finish an earlier run or create a new machine, for
  // which it takes the lock alone).
  enum class Access { Read, Change };

  MachineFolder() = default;
  ~MachineFolder() { Discard(); }
  MachineFolder(const MachineFolder&) = delete;
  MachineFolder& operator=(const MachineFolder&) = delete;

  // Creates the folder when it is missing, takes its lock (waiting up to waitSeconds) and finishes or
  // undoes what an interrupted run left in staging. A folder holding something other than a machine is
  // refused before anything is created in it. False with *error saying why and what to do.
  bool Open(const std::string& folder, int waitSeconds, Access access, std::string* error);

  // What the folder holds (after Open): nothing but the tool's lock, a machine, or something else (and
  // then its first entry by name).
  Contents Holds() const { return contents_; }
  const std::string& OtherEntry() const { return otherEntry_; }
  // The first entry (by name) that is not one of the tool's own, or "".
  std::string FirstForeignEntry() const;

  const std::string& Folder() const { return folder_; }
  // Where the run's saved files go until Commit (and a new machine's drives, under Staging()/drives).
  std::string Staging() const;

  // A fresh staging folder for a new machine, drives and all.
  bool BeginNewMachine(std::string* error);
  bool BuildsNewMachine() const { return stage_ == Stage::NewMachine; }
  // The folder's machine, used in place: from now on BeforeChange notes (Change) or refuses (Read) every
  // change to its drives.
  void BeginInPlace();
  // Called before the machine changes what is at hostPath. False: the change must not happen, and the
  // run cannot be kept; RefusedChange() says why and RefusalFix() what to do.
  bool BeforeChange(const std::string& hostPath);
  std::string RefusedChange() const;
  std::string RefusalFix() const;

  // Makes the staged machine the folder's machine. On false the folder still holds the machine from
  // before, or (when only the last renames failed) the next Open completes the new one.
  bool Commit(std::string* error);
  // True once a Commit has marked its staging complete: from then on the new machine is the one kept.
  bool CommitBegun() const { return committed_; }
  // Undoes the run unless a commit of it has begun; when nothing was ever committed, also removes the lock
  // file and the folder if this run made them, so that a run that ends in an error creates nothing.
  void Discard();

 private:
  enum class Stage { None, NewMachine, InPlace };
  bool Lock(FolderLock::Mode mode, int waitSeconds, std::string* error);

  std::string folder_;
  Access access_ = Access::Change;
  Contents contents_ = Contents::Empty;
  std::string otherEntry_;
  FolderLock lock_;
  Stage stage_ = Stage::None;
  std::unique_ptr<RunJournal> journal_;
  std::string readRefusal_;
  bool committing_ = false;
  bool committed_ = false;
  bool madeFolder_ = false;
  std::filesystem::path outermostMade_;
};

}  // namespace host::platform

#endif
