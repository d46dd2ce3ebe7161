// The setup files the host looks for in a setup folder and inserts into the module object.
#ifndef BASETDIC_HOST_SESSION_SETUP_FILES_H
#define BASETDIC_HOST_SESSION_SETUP_FILES_H

#include <string>
#include <vector>

namespace host {

// The files a setup folder holds for the three kinds, in the order the host inserts them.
const std::vector<std::string>& SetupFileNames();

struct SetupFiles {
  std::vector<std::string> present;  // full paths, names as the folder spells them
  std::vector<std::string> missing;  // full paths of the names not found
};
SetupFiles FindSetupFiles(const std::string& folder);

}  // namespace host

#endif
