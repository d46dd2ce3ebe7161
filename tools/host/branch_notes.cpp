#include "branch_notes.h"

#include "rules/branch_choice.h"
#include "rules/module_kind.h"
#include "rules/os_version.h"
#include "windows_names.h"

namespace host {
namespace {

using basetdic::InstallBranch;
using basetdic::RemoveBranch;
using basetdic::StartBranch;
using basetdic::UpdateBranch;

BranchNote Install(InstallBranch branch) {
  switch (branch) {
    case InstallBranch::TdiDriver:
      return {"TdiDriver", "basetdi.sys from Basetdi.nt4 and the shared BaseTDI registration (count nSon), then "
                           "StartDriver"};
    case InstallBranch::KernelService:
      return {"KernelService", "zelbase.sys into the driver folder unless a higher version is there, then service "
                               "ZelBase registered and started"};
    case InstallBranch::NetworkComponent:
      return {"NetworkComponent", "driver package into the product data path, then snetcfg.exe installs "
                                  "QD_ZelBase from zelbase.inf; result 0 without data path or tool"};
    case InstallBranch::None: break;
  }
  return {"None", "no branch for this kind on this version: nothing is installed"};
}

BranchNote Update(UpdateBranch branch, bool rewritesSettings) {
  switch (branch) {
    case UpdateBranch::TdiDriver:
      return {"TdiDriver", "basetdi.sys replaced and the BaseTDI registration taken once more, then StartDriver"};
    case UpdateBranch::DriverFile:
      return {"DriverFile", std::string("zelbase.sys into the driver folder unless a higher version is there") +
                                (rewritesSettings ? "; ZelBase's start and the other services' dependencies "
                                                    "rewritten"
                                                  : "")};
    case UpdateBranch::None: break;
  }
  return {"None", "no branch for this kind on this version: nothing is updated"};
}

BranchNote Remove(RemoveBranch branch) {
  switch (branch) {
    case RemoveBranch::TdiDriver:
      return {"TdiDriver", "the BaseTDI registration released; the last reference deletes driver and key"};
    case RemoveBranch::KernelService:
      return {"KernelService", "the zelbase service key and the driver file deleted"};
    case RemoveBranch::NetworkComponent:
      return {"NetworkComponent", "snetcfg.exe uninstalls QD_ZelBase; result 0 when the tool cannot start"};
    case RemoveBranch::None: break;
  }
  return {"None", "no branch for this kind on this version: nothing is removed"};
}

BranchNote Start(StartBranch branch) {
  switch (branch) {
    case StartBranch::FwBaseNt:
      return {"FwBaseNt", "opens \\\\.\\baseTdi; when it does not open, service basetdi is created if missing "
                          "and started"};
    case StartBranch::FwBase2K:
      return {"FwBase2K", "opens \\\\.\\zelbase; when it does not open, service zelbase is created if missing "
                          "and started"};
    case StartBranch::None: break;
  }
  return {"None", "no driver to start for this kind on this version; result 1"};
}

}  // namespace

BranchNote ExplainBranch(Operation operation, const std::string& module, const OSVERSIONINFOA& os,
                         const std::string& setupFolder) {
  basetdic::ModuleKind kind = basetdic::KindOfName(module.c_str());
  if (operation == Operation::Start) return Start(basetdic::ChooseStartBranch(kind, os));
  if (operation == Operation::Check)
    return {basetdic::IsWin9xPlatform(os) ? "Windows 95 family" : "not Windows 95 family",
            std::string("result ") + (basetdic::IsWin9xPlatform(os) ? "0" : "1")};
  if (!basetdic::DeploymentGateOpen(os, setupFolder.c_str()))
    return {"gate closed", "acts only on NT with a setup folder: does nothing, status words left as they were"};
  switch (operation) {
    case Operation::Install: return Install(basetdic::ChooseInstallBranch(kind, os));
    case Operation::Update:
      return Update(basetdic::ChooseUpdateBranch(kind, os), basetdic::UpdateRewritesServiceSettings(os));
    case Operation::Remove: return Remove(basetdic::ChooseRemoveBranch(kind, os));
    default: break;
  }
  return {"", ""};
}

namespace {

// "Windows 7, build 7601"
std::string ThisWindows(const OSVERSIONINFOA& os) {
  return WindowsName(os) + ", build " + std::to_string(basetdic::Build16(os));
}

// The Windows versions whose branch the kind takes, as KindNote names them.
const char* KindWindows(basetdic::ModuleKind kind) {
  switch (kind) {
    case basetdic::ModuleKind::FwBaseNt: return "NT 4.0";
    case basetdic::ModuleKind::FwBase2K: return "NT 5.x";
    case basetdic::ModuleKind::FwBaseVt: return "NT 6.x";
    case basetdic::ModuleKind::Unknown: break;
  }
  return "no Windows version";
}

bool TookNoBranch(Operation operation, basetdic::ModuleKind kind, const OSVERSIONINFOA& os) {
  switch (operation) {
    case Operation::Install: return basetdic::ChooseInstallBranch(kind, os) == InstallBranch::None;
    case Operation::Update: return basetdic::ChooseUpdateBranch(kind, os) == UpdateBranch::None;
    case Operation::Remove: return basetdic::ChooseRemoveBranch(kind, os) == RemoveBranch::None;
    case Operation::Start: return basetdic::ChooseStartBranch(kind, os) == StartBranch::None;
    case Operation::Check: break;
  }
  return false;
}

}  // namespace

std::vector<Notice> OperationNotices(Operation operation, const std::string& module, const OSVERSIONINFOA& os,
                                     const std::string& heldSourceDir) {
  const std::string name = OperationName(operation);
  if (operation == Operation::Check) return {};
  const bool gated = operation != Operation::Start;
  if (gated && !basetdic::DeploymentGateOpen(os, heldSourceDir.c_str())) {
    if (!basetdic::IsNtPlatform(os)) {
      return {{"not-nt", name + " acts only on the NT family; this machine is " + WindowsName(os) +
                             ": nothing was done and the status words were left as they were"}};
    }
    return {{"no-setup-folder",
             "the library kept no setup folder from InsertFile (" +
                 std::string(module == "FwBase2K" ? "FwBase2K takes it only from basetdic.dll's path; "
                                                  : "") +
                 "a folder over 259 characters is not kept): " + name +
                 " did nothing and the status words were left as they were"}};
  }
  basetdic::ModuleKind kind = basetdic::KindOfName(module.c_str());
  if (!TookNoBranch(operation, kind, os)) return {};
  if (operation == Operation::Start && kind == basetdic::ModuleKind::FwBaseVt) {
    return {{"no-branch", "FwBaseVt has no driver for StartDriver to start (snetcfg.exe installs it): start "
                          "did nothing but write result 1"}};
  }
  return {{"no-branch", module + " " + (operation == Operation::Install ? "deploys" : name + "s") + " only on " +
                            KindWindows(kind) + "; this machine is " + ThisWindows(os) + ": " + name +
                            " took no branch and changed nothing"}};
}

bool KindFitsWindows(const std::string& module, const OSVERSIONINFOA& os) {
  return basetdic::IsNtPlatform(os) &&
         basetdic::ChooseInstallBranch(basetdic::KindOfName(module.c_str()), os) != InstallBranch::None;
}

std::string KindNote(const std::string& module, const OSVERSIONINFOA& os) {
  std::string what;
  if (module == "FwBaseNt") {
    what = "the TDI driver basetdi.sys shared by reference count, for NT 4.0";
  } else if (module == "FwBase2K") {
    what = "the kernel-driver service ZelBase (zelbase.sys), for NT 5.x";
  } else {
    what = "the network component QD_ZelBase (zelbase.sys through snetcfg.exe), for NT 6.x";
  }
  std::string here = basetdic::IsNtPlatform(os) ? "NT " + std::to_string(os.dwMajorVersion) + "." +
                                                      std::to_string(os.dwMinorVersion) + " build " +
                                                      std::to_string(basetdic::Build16(os))
                                                : WindowsName(os) + ", not NT";
  return module + " is " + what + "; this machine is " + here + ".";
}

}  // namespace host
