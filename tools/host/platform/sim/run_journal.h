// The run's rollback journal: a run changes the machine's drives in place, and before it first changes a
// file or folder the journal notes what stood there (nothing, a folder, or a file, whose bytes it keeps a
// copy of), on disk before the change happens. Rolling back puts each noted path back as it was, the
// last noted first; every step can be repeated, so a rollback killed halfway is finished by the next one.
//
// On disk, in the staging folder: "journal", one line per path ("absent", "folder" or "file N", a tab,
// the path below the machine folder), and "originals/N", the copies. A line is complete only with its
// newline, so one cut short by a kill is not read.
#ifndef BASETDIC_HOST_RUN_JOURNAL_H
#define BASETDIC_HOST_RUN_JOURNAL_H

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace host::platform {

class RunJournal {
 public:
  // Durable: each note is on disk (fsync) before the change it allows, so that it survives a power cut as
  // well as a killed process; Scratch: for a throwaway folder, where a killed process is all that matters.
  enum class Durability { Durable, Scratch };

  // folder: the machine folder as the user named it; staging: the folder the journal lives in.
  RunJournal(const std::string& folder, const std::filesystem::path& staging,
             Durability durability = Durability::Durable);
  ~RunJournal();
  RunJournal(const RunJournal&) = delete;
  RunJournal& operator=(const RunJournal&) = delete;

  // Called before the run changes hostPath: notes what is there the first time the path changes. False
  // (the change must not happen) when the path is outside the drives, its folder cannot be written, or the
  // note cannot be kept; Problem() then says why and what to do.
  bool NoteBeforeChange(const std::string& hostPath);

  bool Empty() const { return noted_.empty(); }
  // The first change that was refused, in words ("cannot write in m/drives/C/x: Permission denied"), and
  // what the user can do about it; empty when none was.
  const std::string& Problem() const { return problem_; }
  const std::string& Fix() const { return fix_; }

  // Puts every path the run changed on disk as it is now, with the folders that hold them.
  bool SyncChanges() const;

  // Puts back every path the journal in staging notes, under folder; true when there was nothing to do.
  // Each step is repeatable. False with *error naming the path that could not be put back.
  static bool RollBack(const std::string& folder, const std::filesystem::path& staging, std::string* error);

  static const char kFileName[];

 private:
  bool Refuse(const std::string& problem, const std::string& fix);
  bool OpenOnDisk();
  bool Sync(const std::filesystem::path& path, bool directory) const;

  std::string folder_;                 // as named, for messages
  std::filesystem::path root_;         // absolute and normal
  std::filesystem::path staging_;
  bool durable_;
  std::set<std::string> noted_;        // paths below the machine folder
  std::vector<std::string> order_;
  int descriptor_ = -1;
  unsigned copies_ = 0;
  std::string problem_, fix_;
};

}  // namespace host::platform

#endif
