// Windows path handling: parsing drive-letter and device paths, and finding where they live on the host.
#ifndef WINSIM_PATHS_H
#define WINSIM_PATHS_H

#include <string>
#include <vector>

namespace winsim::detail {

struct WindowsPath {
  bool valid = false;
  bool device = false;                 // \\.\NAME
  std::string deviceName;              // NAME of a device path
  char drive = 0;                      // upper-case letter
  std::vector<std::string> components; // after resolving "." and ".."
  std::string Text() const;            // "C:\a\b", "C:\" for the root, "\\.\NAME" for a device
};

// Parses an absolute ("C:\x"), drive-relative-free relative ("x\y", resolved against the current directory)
// or device ("\\.\NAME") path; both slashes separate. Applies WOW64 redirection when the process runs under
// WOW64 and the calling thread has not disabled it.
WindowsPath ParsePath(const char* path);
WindowsPath ParsePathNoRedirection(const std::string& path);

// The host path of a parsed path: each existing component is matched without regard to case; missing ones
// keep their given case. Empty when the drive is not mapped.
std::string HostPathOf(const WindowsPath& path);

// What stands at a host path: nothing (its folder exists), nothing and no folder either, a file or a
// directory. An empty host path (an unmapped drive) counts as a missing folder.
enum class HostEntry { Missing, MissingParent, File, Directory };
HostEntry ProbeHostPath(const std::string& host);

// The Windows errors for a path that is not there: ERROR_PATH_NOT_FOUND without its folder,
// ERROR_FILE_NOT_FOUND otherwise.
inline unsigned long MissingPathError(HostEntry entry) { return entry == HostEntry::MissingParent ? 3ul : 2ul; }

// Asks the file-change watcher (winsim/file_changes.h) whether the machine may change what is at a host
// path; true when none watches.
bool MayChangeHostPath(const std::string& host);
// Creates a host folder and any missing folders above it, each with the watcher's consent.
bool CreateHostFolders(const std::string& host);

}  // namespace winsim::detail

#endif
