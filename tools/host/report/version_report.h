// --version: the host's version and what the library it loads says of its own.
#ifndef BASETDIC_HOST_REPORT_VERSION_REPORT_H
#define BASETDIC_HOST_REPORT_VERSION_REPORT_H

#include <ostream>
#include <string>

#include "observe/file_version.h"

namespace host {

struct VersionReport {
  std::string host;      // "1.0.0"
  std::string library;   // the path it loads
  bool loaded = false;
  std::string notLoadedWhy;
  bool hasResource = false;
  std::string noResourceWhy;  // "no version resource: a Linux shared object carries none"
  VersionFacts version;
  int exitCode = 0;
};

void PrintVersion(const VersionReport& report, bool json, std::ostream& out);

}  // namespace host

#endif
