#include "verdict/component_checks.h"

#include <iterator>

#include "rules/product_names.h"
#include "verdict/verdict_codes.h"

namespace host {
namespace {

std::string FileNameOf(const std::string& path) {
  size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// What the configuration tool's run says: it could not start, it failed, or it outran the wait.
std::string ToolCause(const Evidence& evidence) {
  if (const FailedCall* launch = evidence.FailedCallOf("CreateProcessA", basetdic::kNetCfgTool))
    return ": " + std::string(basetdic::kNetCfgTool) + " could not be started" + FailureClause(launch);
  for (const LaunchState& launch : evidence.NewLaunches()) {
    if (!SameName(FileNameOf(launch.imagePath), basetdic::kNetCfgTool)) continue;
    const std::string tool = basetdic::kNetCfgTool;
    if (!launch.exited) return ": " + tool + " was still running when the wait for it ended";
    if (launch.exitCode != 0) return ": " + tool + " exited with " + std::to_string(launch.exitCode);
  }
  return "";
}

}  // namespace

std::string DataPathValueName() {
  return std::string("HKLM\\") + basetdic::kVendorKey + "\\" + basetdic::kProductKey + ", value " +
         basetdic::kDataPathValue;
}

bool ExpectDataPath(const Evidence& evidence, std::vector<Notice>* notices) {
  if (!evidence.after.DataPath().empty()) return true;
  notices->push_back({code::kDataPathMissing, "the product data path is not set (" + DataPathValueName() + ")" +
                                                  (evidence.operation.empty() ? "" : ": " + evidence.operation +
                                                                                         " stops there")});
  return false;
}

void ExpectPackageCopied(const Evidence& evidence, std::vector<Notice>* notices) {
  for (const char* name : basetdic::kDriverPackageFiles) {
    const std::string path = evidence.after.DataPathFile(name);
    FileState file;
    if (evidence.FileOnMachine(path, &file)) continue;
    notices->push_back(
        {code::kDataPathMissing, path + " is missing" + FailureClause(evidence.FailedCallOf("CopyFileA", path))});
  }
}

void ExpectComponent(const Evidence& evidence, bool installed, std::vector<Notice>* notices) {
  if (evidence.after.ComponentInstalled(basetdic::kNetComponentId) == installed) return;
  const std::string component = std::string("the network component ") + basetdic::kNetComponentId;
  if (installed) {
    notices->push_back({code::kComponentMissing, component + " is not installed" + ToolCause(evidence)});
  } else {
    notices->push_back({code::kLeftBehind, component + " is still installed" + ToolCause(evidence)});
  }
}

}  // namespace host
