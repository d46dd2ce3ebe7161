// The rule by which InsertFile keeps the setup folder, as a pure function of the module kind and one
// inserted path. The object applies it to each path it is given; a host applies it to the paths it
// inserted and so knows what any conforming library kept, without reading the object.
#ifndef BASETDIC_RULES_SETUP_FOLDER_H
#define BASETDIC_RULES_SETUP_FOLDER_H

#include <stddef.h>

#include "rules/module_kind.h"

namespace basetdic {

// The longest setup folder kept, and how far FwBase2K looks for the library's name in a path.
constexpr size_t kMaxSetupFolderLength = 259;
constexpr size_t kLibraryNameSearchLength = 519;

// What one inserted path does to the kept folder.
struct SetupFolderChange {
  bool replaces;       // false: the path does not count and the kept folder stays as it was
  const char* folder;  // with replaces: the new folder's first character, within the path
  size_t length;       // with replaces: its length; 0 means the object keeps no folder now
};

// For FwBase2K only a path holding "basetdic.dll" (any case) within its first 519 characters counts;
// for every other kind, known or not, every path does. A path that counts replaces the folder with the
// text before its last backslash: none when it has no backslash or that text is longer than 259
// characters (never a cut-off folder). A null path is empty text.
SetupFolderChange SetupFolderAfterInsert(ModuleKind kind, const char* path);

}  // namespace basetdic

#endif
