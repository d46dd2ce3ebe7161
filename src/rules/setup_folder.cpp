#include "rules/setup_folder.h"

#include <string.h>

#include "rules/ascii_case.h"
#include "rules/product_names.h"

namespace basetdic {

SetupFolderChange SetupFolderAfterInsert(ModuleKind kind, const char* path) {
  if (path == nullptr) path = "";
  if (kind == ModuleKind::FwBase2K && !ContainsNoCaseWithin(path, kLibraryNameSearchLength, kLibraryFile))
    return {false, path, 0};
  const char* lastBackslash = strrchr(path, '\\');
  size_t length = lastBackslash != nullptr ? static_cast<size_t>(lastBackslash - path) : 0;
  if (length > kMaxSetupFolderLength) length = 0;
  return {true, path, length};
}

}  // namespace basetdic
