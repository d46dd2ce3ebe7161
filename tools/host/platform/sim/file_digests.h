// What the host has read of the machine's files before: each file's digest and version with the file's
// identity on the host (device, inode, size, modification and change times), kept in the machine folder as
// machine.digests. A snapshot reads a file's bytes only when its identity differs from the one on
// record, so a run costs the files it changes, not every file of the machine. The record is a cache: when
// it is missing, damaged or out of date the files are read again.
#ifndef BASETDIC_HOST_FILE_DIGESTS_H
#define BASETDIC_HOST_FILE_DIGESTS_H

#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <string>

namespace host::platform {

class FileDigests {
 public:
  static const char kFileName[];

  // Reads the record in folder; a missing or damaged one counts as empty.
  void Load(const std::string& folder);
  // Replaces the record in folder with what this process found true; files changed in the last seconds
  // are left out, since a change within the file system's time step would not show in their times. Best
  // effort: a record that cannot be written is only a slower next run.
  void Save(const std::string& folder) const;

  // key: the Windows path as the snapshot names it, lower case; hostPath: where it is now. After a false
  // Recall, the caller reads the file and tells Remember what it found.
  bool Recall(const std::string& key, const std::string& hostPath, uint64_t size, uint64_t* digest,
              std::string* version);
  void Remember(const std::string& key, const std::string& hostPath, uint64_t size, uint64_t digest,
                const std::string& version);
  // The machine is about to change what is at hostPath: what is on record for it no longer holds.
  void Forget(const std::string& hostPath);

 private:
  struct Identity {
    uint64_t device = 0, inode = 0, size = 0;
    int64_t modifiedNs = 0, changedNs = 0;
    bool operator==(const Identity& other) const;
  };
  struct Known {
    Identity identity;
    uint64_t digest = 0;
    std::string version;
    std::string hostPath;  // this process's, for Forget
    bool confirmed = false;  // found true by this process
  };
  static bool IdentityOf(const std::string& hostPath, Identity* identity);

  std::map<std::string, Known> known_;
  // The identity each file had when Recall found nothing on record, before its bytes were read: Remember
  // keeps the digest only when the file is still that file.
  std::map<std::string, Identity> reading_;
};

}  // namespace host::platform

#endif
