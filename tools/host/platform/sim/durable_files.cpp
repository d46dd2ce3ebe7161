#include "platform/sim/durable_files.h"

#include <fcntl.h>
#include <unistd.h>

namespace host::platform {

namespace fs = std::filesystem;

bool SyncPath(const fs::path& path, bool directory) {
  int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC | (directory ? O_DIRECTORY : 0));
  if (descriptor < 0) return false;
  bool synced = fsync(descriptor) == 0;
  close(descriptor);
  return synced;
}

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

bool CreateDurably(const fs::path& path) {
  int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  bool made = descriptor >= 0 && fsync(descriptor) == 0;
  if (descriptor >= 0) close(descriptor);
  return made && SyncPath(path.parent_path(), true);
}

std::string CannotDo(const std::string& doing, const fs::path& path, const std::error_code& why) {
  return "cannot " + doing + " " + path.string() + ": " + why.message();
}

}  // namespace host::platform
