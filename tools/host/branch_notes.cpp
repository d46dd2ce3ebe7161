#include "branch_notes.h"

#include "deploy/branch_choice.h"
#include "module/module_kind.h"
#include "module/os_version.h"
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
