// The machine folder as a run uses it: under the folder's lock, the run works in a staging folder inside
// it (machine.staging: a copy of the drives, and the saved machine.json and registry.reg), and Commit puts
// the staged machine in place with renames. A run that fails or is killed before Commit leaves the folder
// as it was; one killed during Commit is finished by the next run that opens the folder, so the folder
// always holds either the machine before a run or the one after it.
//
// The folder's own entries are machine.json, registry.reg, drives/, machine.lock and machine.staging/;
// nothing else in the folder is ever removed or replaced.
#ifndef BASETDIC_HOST_MACHINE_FOLDER_H
#define BASETDIC_HOST_MACHINE_FOLDER_H

#include <filesystem>
#include <string>

#include "platform/sim/folder_lock.h"

namespace host::platform {

class MachineFolder {
 public:
  enum class Contents { Empty, Machine, Other };

  MachineFolder() = default;
  ~MachineFolder() { Discard(); }
  MachineFolder(const MachineFolder&) = delete;
  MachineFolder& operator=(const MachineFolder&) = delete;

  // Creates the folder when it is missing, takes its lock (waiting up to waitSeconds) and finishes or
  // discards what an interrupted run left in staging. A folder holding something other than a machine is
  // refused before anything is created in it. False with *error saying why and what to do.
  bool Open(const std::string& folder, int waitSeconds, std::string* error);

  // What the folder holds (after Open): nothing but the tool's lock, a machine, or something else (and
  // then its first entry by name).
  Contents Holds() const { return contents_; }
  const std::string& OtherEntry() const { return otherEntry_; }
  // The first entry (by name) that is not one of the tool's own, or "".
  std::string FirstForeignEntry() const;

  const std::string& Folder() const { return folder_; }
  // Where the run's machine lives until Commit: drives under Staging()/drives, the saved files beside them.
  std::string Staging() const;

  // A fresh staging folder; with copyDrives, the folder's drives copied into it.
  bool BeginStaging(bool copyDrives, std::string* error);
  // Makes the staged machine the folder's machine. On false the folder still holds the machine from
  // before, or (when only the last renames failed) the next Open completes the new one.
  bool Commit(std::string* error);
  // True once a Commit has marked its staging complete: from then on the new machine is the one kept.
  bool CommitBegun() const { return committed_; }
  // Drops the staging folder unless a commit of it has begun; when nothing was ever committed, also the
  // lock file and the folder if this run made them, so that a run that ends in an error creates nothing.
  void Discard();

 private:
  std::string folder_;
  Contents contents_ = Contents::Empty;
  std::string otherEntry_;
  FolderLock lock_;
  bool staging_ = false;
  bool committing_ = false;
  bool committed_ = false;
  bool madeFolder_ = false;
  std::filesystem::path outermostMade_;
};

}  // namespace host::platform

#endif
