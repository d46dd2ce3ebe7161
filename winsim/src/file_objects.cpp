// The table of open files and the share-mode checks that opens, copies and deletes make across it.
#include "file_objects.h"

#include <algorithm>

#include "machine_state.h"

namespace winsim::detail {
namespace {

const bool registered = winsim::detail::OnBoot([] { OpenFiles().clear(); });

}  // namespace

std::vector<FileObject*>& OpenFiles() {
  static std::vector<FileObject*> files;
  return files;
}

bool SharingAllows(const std::string& host, DWORD access, DWORD share) {
  (void)registered;
  if (!WantsRead(access) && !WantsWrite(access)) return true;
  for (const FileObject* open : OpenFiles()) {
    if (open->host != host || (!WantsRead(open->access) && !WantsWrite(open->access))) continue;
    if (WantsRead(access) && !(open->share & FILE_SHARE_READ)) return false;
    if (WantsWrite(access) && !(open->share & FILE_SHARE_WRITE)) return false;
    if (WantsRead(open->access) && !(share & FILE_SHARE_READ)) return false;
    if (WantsWrite(open->access) && !(share & FILE_SHARE_WRITE)) return false;
  }
  return true;
}

bool OpenWithoutDeleteSharing(const std::string& host) {
  return std::any_of(OpenFiles().begin(), OpenFiles().end(), [&](const FileObject* open) {
    return open->host == host && !(open->share & FILE_SHARE_DELETE);
  });
}

FileObject* Forget(FileObject* file) {
  auto& files = OpenFiles();
  files.erase(std::remove(files.begin(), files.end(), file), files.end());
  return file;
}

}  // namespace winsim::detail
