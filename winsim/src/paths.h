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

}  // namespace winsim::detail

#endif
