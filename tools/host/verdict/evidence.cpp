#include "verdict/evidence.h"

#include "report/windows_names.h"

namespace host {

const FailedCall* Evidence::FailedCallOf(const char* function, const std::string& mentions) const {
  if (failedCalls == nullptr) return nullptr;
  for (const FailedCall& call : *failedCalls) {
    if (call.function == function && LowerAscii(call.arguments).find(LowerAscii(mentions)) != std::string::npos)
      return &call;
  }
  return nullptr;
}

std::vector<LaunchState> Evidence::NewLaunches() const {
  const std::vector<LaunchState>& now = after.State().launches;
  size_t known = before != nullptr ? before->State().launches.size() : 0;
  return known <= now.size() ? std::vector<LaunchState>(now.begin() + static_cast<long>(known), now.end())
                             : std::vector<LaunchState>();
}

std::string Evidence::SetupPath(const char* name) const {
  return setupFolder.empty() ? std::string() : setupFolder + "\\" + name;
}

bool Evidence::FileOnMachine(const std::string& path, FileState* file) const {
  if (path.empty()) return false;
  if (const FileState* seen = after.File(path)) {
    *file = *seen;
    return true;
  }
  return LookAtFile(path, file);
}

bool Evidence::SetupFile(const char* name, FileState* file) const { return FileOnMachine(SetupPath(name), file); }

std::string Evidence::Writer() const { return operation.empty() ? "install" : operation; }

std::string FailureClause(const FailedCall* call) {
  if (call == nullptr) return "";
  return ": " + call->function + " failed with " + ErrorWords(call->error);
}

}  // namespace host
