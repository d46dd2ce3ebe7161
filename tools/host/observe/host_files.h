// Whole-file reads and writes through the Windows API, for the host's own small files.
#ifndef BASETDIC_HOST_HOST_FILES_H
#define BASETDIC_HOST_HOST_FILES_H

#include <string>

namespace host {

bool ReadWholeFile(const std::string& path, std::string* bytes);
bool WriteWholeFile(const std::string& path, const std::string& bytes);
bool IsFolder(const std::string& path);

}  // namespace host

#endif
