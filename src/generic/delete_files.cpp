#include "generic/delete_files.h"

#include <windows.h>

#include "generic/bounded_text.h"
#include "generic/win_handles.h"

namespace basetdic {

void DeleteMatchingFiles(const char* directory, const char* pattern) {
  if (directory == nullptr || pattern == nullptr) return;
  PathBuffer search;
  if (!search.Format("%s\\%s", directory, pattern)) return;
  WIN32_FIND_DATAA entry;
  UniqueFind find(FindFirstFileA(search.c_str(), &entry));
  if (!find) return;
  do {
    PathBuffer path;
    // An entry whose full path does not fit is skipped rather than deleted under a cut name.
    if (path.Format("%s\\%s", directory, entry.cFileName)) DeleteFileIfNamed(path.c_str());
  } while (FindNextFileA(find.get(), &entry));
}

void DeleteFileIfNamed(const char* path) {
  if (path != nullptr) DeleteFileA(path);
}

}  // namespace basetdic
