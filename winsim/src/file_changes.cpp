// The file-change watcher and the host-side folder creation that tells it about each level it makes.
#include <sys/stat.h>

#include <cerrno>

#include <filesystem>
#include <utility>

#include "paths.h"
#include "winsim/file_changes.h"

namespace winsim {
namespace {

FileChangeWatcher& Watcher() {
  static FileChangeWatcher watcher;
  return watcher;
}

}  // namespace

void WatchFileChanges(FileChangeWatcher watcher) { Watcher() = std::move(watcher); }

namespace detail {

bool MayChangeHostPath(const std::string& host) { return !Watcher() || Watcher()(host); }

bool CreateHostFolders(const std::string& host) {
  if (host.empty()) return false;
  struct stat info;
  if (stat(host.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  std::string parent = std::filesystem::path(host).parent_path().string();
  if (parent != host && !parent.empty() && !CreateHostFolders(parent)) return false;
  return MayChangeHostPath(host) && (mkdir(host.c_str(), 0755) == 0 || errno == EEXIST);
}

}  // namespace detail
}  // namespace winsim
