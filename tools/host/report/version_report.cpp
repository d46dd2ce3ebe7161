#include "report/version_report.h"

#include "report/json_output.h"
#include "report/text_layout.h"

namespace host {
namespace {

// "file version 1, 0, 0, 0 (1.0.0.0), product version 1.0.0"
std::string VersionLine(const VersionFacts& version) {
  std::string line = "file version " + (version.fileVersion.empty() ? std::string("(no FileVersion text)") : version.fileVersion);
  if (!version.fixedVersion.empty()) line += " (" + version.fixedVersion + ")";
  if (!version.productVersion.empty()) line += ", product version " + version.productVersion;
  return line;
}

void PrintVersionJson(const VersionReport& report, std::ostream& out) {
  nlohmann::json library{{"path", report.library}, {"loaded", report.loaded}};
  if (!report.loaded) library["error"] = report.notLoadedWhy;
  if (report.loaded && report.hasResource) {
    library["fileVersion"] = report.version.fileVersion;
    library["fixedVersion"] = report.version.fixedVersion;
    library["productVersion"] = report.version.productVersion;
  } else if (report.loaded) {
    library["versionResource"] = nullptr;
    library["why"] = report.noResourceWhy;
  }
  PrintJson({{"host", {{"name", "basetdic-host"}, {"version", report.host}}},
             {"library", library},
             {"exitCode", report.exitCode}},
            out);
}

}  // namespace

void PrintVersion(const VersionReport& report, bool json, std::ostream& out) {
  if (json) {
    PrintVersionJson(report, out);
    return;
  }
  out << "basetdic-host " << report.host << '\n';
  std::string facts = !report.loaded        ? "not loaded: " + report.notLoadedWhy
                      : report.hasResource ? VersionLine(report.version)
                                           : report.noResourceWhy;
  WriteWrapped(out, "library  ", report.library, 9);
  WriteWrapped(out, "         ", facts, 9);
}

}  // namespace host
