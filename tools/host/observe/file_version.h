// A file's version as the report shows it.
#ifndef BASETDIC_HOST_FILE_VERSION_H
#define BASETDIC_HOST_FILE_VERSION_H

#include <string>

namespace host {

// The "FileVersion" text the library compares (the first translation pair whose string table holds one,
// read by the library's own reader), or the fixed file version ("1.2.3.4") when there is no such text;
// empty when the file has no version resource.
std::string FileVersionText(const std::string& path);

// What a library's version resource says, as --version shows it.
struct VersionFacts {
  std::string fileVersion;     // the "FileVersion" text, as FileVersionText reads it: "1, 0, 0, 0"
  std::string productVersion;  // "ProductVersion" of the same string table: "1.0.0"; empty when it has none
  std::string fixedVersion;    // the fixed part's file version: "1.0.0.0"; empty when it has none
};
// False when the file has no version resource.
bool ReadVersionFacts(const std::string& path, VersionFacts* facts);

}  // namespace host

#endif
