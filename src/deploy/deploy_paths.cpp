#include "deploy/deploy_paths.h"

namespace basetdic {

bool SystemDriverPath(PathBuffer& path, const char* systemDirectory, const char* fileName) {
  if (systemDirectory == nullptr || systemDirectory[0] == '\0') {
    path.Clear();
    return false;
  }
  return path.Format("%s\\drivers\\%s", systemDirectory, fileName);
}

bool SetupFilePath(PathBuffer& path, const char* sourceDir, const char* fileName) {
  return path.Format("%s\\%s", sourceDir, fileName);
}

bool DataPathFile(PathBuffer& path, const char* dataPath, const char* fileName) {
  return path.Format("%s%s", dataPath, fileName);
}

}  // namespace basetdic
