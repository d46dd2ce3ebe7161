// Watching what the machine changes on its drives: a host that must be able to undo a run, or keep a
// rehearsal off the real files, is told before each change where it happens on the host, and may refuse it.
#ifndef WINSIM_FILE_CHANGES_H
#define WINSIM_FILE_CHANGES_H

#include <functional>
#include <string>

namespace winsim {

// Called before the machine creates, opens for writing, truncates, replaces or deletes a file, or creates
// or removes a folder, on a mapped drive; hostPath is that file or folder on the host. Returning false
// refuses the change: the call fails as on a file the caller may not write (ERROR_ACCESS_DENIED) and
// nothing changes.
using FileChangeWatcher = std::function<bool(const std::string& hostPath)>;

// Replaces the watcher; an empty one watches nothing. It survives Boot and LoadMachine, so the folders a
// load creates are watched too.
void WatchFileChanges(FileChangeWatcher watcher);

}  // namespace winsim

#endif
