// --version: the host's version, and the version resource of the library it loads (the one --library
// names, or the default), which it loads to be sure it is the one a run would use.
#include "commands/commands.h"
#include "platform/platform.h"
#include "report/version_report.h"

#ifndef BASETDIC_VERSION
#define BASETDIC_VERSION "unknown"
#endif

namespace host {

int VersionCommand(const HostRequest& request, std::ostream& out, HostError* error) {
  VersionReport report;
  report.host = BASETDIC_VERSION;
  report.library = request.library.empty() ? platform::DefaultLibraryPath() : platform::LibraryFile(request.library);
  ModuleEntryPoints entryPoints;
  report.loaded = platform::LoadModuleLibrary(report.library, &entryPoints, &report.notLoadedWhy);
  if (report.loaded) report.hasResource = platform::LibraryVersion(report.library, &report.version, &report.noResourceWhy);
  report.exitCode = report.loaded ? kExitSuccess : kExitUsage;
  PrintVersion(report, request.json, out);
  if (!report.loaded) {
    error->message = "cannot load the library " + report.library + ": " + report.notLoadedWhy +
                     "; name it with --library PATH";
    error->reported = true;
  }
  return report.exitCode;
}

}  // namespace host
