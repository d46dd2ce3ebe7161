#include "report/branch_notes.h"

#include "observe/registry_key.h"
#include "report/windows_names.h"
#include "rules/branch_choice.h"
#include "rules/module_kind.h"
#include "rules/os_version.h"
#include "rules/product_names.h"
#include "rules/setup_folder.h"

namespace host {
namespace {

using basetdic::InstallBranch;
using basetdic::ModuleKind;
using basetdic::RemoveBranch;
using basetdic::StartBranch;
using basetdic::UpdateBranch;

std::string Member(Operation operation) { return RowOf(operation).member; }

// What each branch works on, one row a branch; a branch without a row is the operation's "None".
template <typename Branch>
struct BranchRow {
  Branch branch;
  std::string name;  // as the library names the branch
  std::string what;
};

template <typename Branch>
BranchNote NoteOf(Branch branch, const std::vector<BranchRow<Branch>>& rows, const char* nothing) {
  for (const BranchRow<Branch>& row : rows) {
    if (row.branch == branch) return {row.name, row.what};
  }
  return {"None", nothing};
}

const std::string kUnlessHigher = " into the driver folder unless a higher version is there";

BranchNote Install(InstallBranch branch) {
  static const std::vector<BranchRow<InstallBranch>> rows = {
      {InstallBranch::TdiDriver, "TdiDriver",
       std::string(basetdic::kTdiDriverFile) + " from " + basetdic::kTdiSetupFile + " and the shared " +
           KeyLeafName(basetdic::kTdiServiceKey) + " registration (count " + basetdic::kTdiCountValue + "), then " +
           Member(Operation::Start)},
      {InstallBranch::KernelService, "KernelService",
       basetdic::kDriverFile + kUnlessHigher + ", then service " + basetdic::kDriverRegisteredName +
           " registered and started"},
      {InstallBranch::NetworkComponent, "NetworkComponent",
       std::string("driver package into the product data path, then ") + basetdic::kNetCfgTool + " installs " +
           basetdic::kNetComponentId + " from " + basetdic::kInfFile + "; result 0 without data path or tool"},
  };
  return NoteOf(branch, rows, "no branch for this kind on this version: nothing is installed");
}

BranchNote Update(UpdateBranch branch, bool rewritesSettings) {
  static const std::vector<BranchRow<UpdateBranch>> rows = {
      {UpdateBranch::TdiDriver, "TdiDriver",
       std::string(basetdic::kTdiDriverFile) + " replaced and the " + KeyLeafName(basetdic::kTdiServiceKey) +
           " registration taken once more, then " + Member(Operation::Start)},
      {UpdateBranch::DriverFile, "DriverFile", basetdic::kDriverFile + kUnlessHigher},
  };
  BranchNote note = NoteOf(branch, rows, "no branch for this kind on this version: nothing is updated");
  if (branch == UpdateBranch::DriverFile && rewritesSettings) {
    note.what += std::string("; ") + basetdic::kDriverRegisteredName +
                 "'s start and the other services' dependencies rewritten";
  }
  return note;
}

BranchNote Remove(RemoveBranch branch) {
  static const std::vector<BranchRow<RemoveBranch>> rows = {
      {RemoveBranch::TdiDriver, "TdiDriver",
       "the " + KeyLeafName(basetdic::kTdiServiceKey) + " registration released; the last reference deletes driver and key"},
      {RemoveBranch::KernelService, "KernelService",
       "the " + KeyLeafName(basetdic::kRemovedServiceKey) + " service key and the driver file deleted"},
      {RemoveBranch::NetworkComponent, "NetworkComponent",
       std::string(basetdic::kNetCfgTool) + " uninstalls " + basetdic::kNetComponentId +
           "; result 0 when the tool cannot start"},
  };
  return NoteOf(branch, rows, "no branch for this kind on this version: nothing is removed");
}

// "opens \\.\zelbase; when it does not open, service zelbase is created if missing and started"
std::string OpensOrStarts(const char* device, const char* service) {
  return std::string("opens \\\\.\\") + device + "; when it does not open, service " + service +
         " is created if missing and started";
}

BranchNote Start(StartBranch branch) {
  static const std::vector<BranchRow<StartBranch>> rows = {
      {StartBranch::FwBaseNt, basetdic::KindName(ModuleKind::FwBaseNt),
       OpensOrStarts(basetdic::kTdiDeviceName, basetdic::kTdiServiceName)},
      {StartBranch::FwBase2K, basetdic::KindName(ModuleKind::FwBase2K),
       OpensOrStarts(basetdic::kDriverDeviceName, basetdic::kDriverServiceName)},
  };
  return NoteOf(branch, rows, "no driver to start for this kind on this version; result 1");
}

}  // namespace

BranchNote ExplainBranch(Operation operation, const std::string& module, const OSVERSIONINFOA& os,
                         const std::string& setupFolder) {
  ModuleKind kind = basetdic::KindOfName(module.c_str());
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
std::string KindWindows(ModuleKind kind) {
  const std::string family = basetdic::KindWindowsFamily(kind);
  return family.empty() ? "no Windows version" : family;
}

bool TookNoBranch(Operation operation, ModuleKind kind, const OSVERSIONINFOA& os) {
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
                                     const std::string& keptFolder) {
  const std::string name = OperationName(operation);
  if (operation == Operation::Check) return {};
  const ModuleKind kind = basetdic::KindOfName(module.c_str());
  const bool gated = RowOf(operation).writes == StatusWrites::ResultAndPendingPastGate;
  if (gated && !basetdic::DeploymentGateOpen(os, keptFolder.c_str())) {
    if (!basetdic::IsNtPlatform(os)) {
      return {{"not-nt", name + " acts only on the NT family; this machine is " + WindowsName(os) +
                             ": nothing was done and the status words were left as they were"}};
    }
    const std::string onlyFromLibrary = kind == ModuleKind::FwBase2K ? basetdic::KindName(kind) + std::string(" takes it only from ") +
                                                                           basetdic::kLibraryFile + "'s path; "
                                                                     : "";
    return {{"no-setup-folder", "the library kept no setup folder from InsertFile (" + onlyFromLibrary +
                                    "a folder over " + std::to_string(basetdic::kMaxSetupFolderLength) +
                                    " characters is not kept): " + name +
                                    " did nothing and the status words were left as they were"}};
  }
  if (!TookNoBranch(operation, kind, os)) return {};
  if (operation == Operation::Start && kind == ModuleKind::FwBaseVt) {
    return {{"no-branch", basetdic::KindName(kind) + std::string(" has no driver for ") + Member(Operation::Start) +
                              " to start (" + basetdic::kNetCfgTool +
                              " installs it): start did nothing but write result 1"}};
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
  const ModuleKind kind = basetdic::KindOfName(module.c_str());
  std::string what;
  switch (kind) {
    case ModuleKind::FwBaseNt:
      what = std::string("the TDI driver ") + basetdic::kTdiDriverFile + " shared by reference count";
      break;
    case ModuleKind::FwBase2K:
      what = std::string("the kernel-driver service ") + basetdic::kDriverRegisteredName + " (" +
             basetdic::kDriverFile + ")";
      break;
    case ModuleKind::FwBaseVt:
    case ModuleKind::Unknown:
      what = std::string("the network component ") + basetdic::kNetComponentId + " (" + basetdic::kDriverFile +
             " through " + basetdic::kNetCfgTool + ")";
      break;
  }
  what += ", for " + KindWindows(kind == ModuleKind::Unknown ? ModuleKind::FwBaseVt : kind);
  std::string here = basetdic::IsNtPlatform(os) ? "NT " + std::to_string(os.dwMajorVersion) + "." +
                                                      std::to_string(os.dwMinorVersion) + " build " +
                                                      std::to_string(basetdic::Build16(os))
                                                : WindowsName(os) + ", not NT";
  return module + " is " + what + "; this machine is " + here + ".";
}

}  // namespace host
