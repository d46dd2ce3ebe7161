// The paths the driver operations build: a driver in the system driver directory, a setup file in the
// setup directory, a file in the product data directory. Each refuses a path that does not fit the
// 260-byte buffer (the buffer is then empty) instead of cutting it into another path.
#ifndef BASETDIC_DEPLOY_DEPLOY_PATHS_H
#define BASETDIC_DEPLOY_DEPLOY_PATHS_H

#include "generic/bounded_text.h"
#include "generic/system_directory.h"

namespace basetdic {

// systemDirectory + "\drivers\" + fileName; false when the system directory is empty or the path does not fit.
bool SystemDriverPath(PathBuffer& path, const char* systemDirectory, const char* fileName);
// sourceDir + "\" + fileName ("%s\%s").
bool SetupFilePath(PathBuffer& path, const char* sourceDir, const char* fileName);
// dataPath + fileName ("%s%s"): the data path already ends in a backslash.
bool DataPathFile(PathBuffer& path, const char* dataPath, const char* fileName);

}  // namespace basetdic

#endif
