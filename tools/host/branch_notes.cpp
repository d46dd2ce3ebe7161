#include "branch_notes.h"

#include "module/os_version.h"
#include "windows_names.h"

namespace host {

using basetdic::Build16;
using basetdic::IsAfterNt4Build;
using basetdic::IsMajor6;
using basetdic::IsNt4Build;
using basetdic::IsNtPlatform;
using basetdic::IsWin9xPlatform;

bool KindFitsWindows(const std::string& module, const OSVERSIONINFOA& os) {
  if (!IsNtPlatform(os)) return false;
  if (module == "FwBaseNt") return IsNt4Build(os);
  if (module == "FwBase2K") return IsAfterNt4Build(os) && os.dwMajorVersion == 5;
  if (module == "FwBaseVt") return IsMajor6(os);
  return false;
}

std::string KindNote(const std::string& module, const OSVERSIONINFOA& os) {
  std::string what;
  if (module == "FwBaseNt") {
    what = "TDI driver basetdi.sys (shipped as Basetdi.nt4), service BaseTDI shared by reference count; "
           "made for NT 4.0 (build 1381)";
  } else if (module == "FwBase2K") {
    what = "driver zelbase.sys as kernel-driver service ZelBase; made for NT 5.x (build above 1381)";
  } else if (module == "FwBaseVt") {
    what = "zelbase network component installed from zelbase.inf by snetcfg.exe, package copied to the product "
           "data path; made for NT 6.x";
  } else {
    what = "not a module kind the library knows";
  }
  std::string here = "NT " + std::to_string(os.dwMajorVersion) + "." + std::to_string(os.dwMinorVersion) + " build " +
                     std::to_string(Build16(os));
  if (!IsNtPlatform(os)) here = WindowsName(os) + ", not NT";
  return what + ". This machine is " + here + (KindFitsWindows(module, os) ? ": it fits." : ": it does not fit.");
}

std::string GateNote(Operation operation, const OSVERSIONINFOA& os) {
  switch (operation) {
    case Operation::Start:
      return "start has no platform gate and needs no setup folder";
    case Operation::Check:
      return std::string("result 0 only on the Windows 95 family; here ") + (IsWin9xPlatform(os) ? "0" : "1");
    case Operation::Install:
    case Operation::Update:
    case Operation::Remove:
      return IsNtPlatform(os) ? std::string(OperationName(operation)) + " acts only on NT with a setup folder: it acts here"
                              : std::string(OperationName(operation)) +
                                    " acts only on NT: here it does nothing and leaves the status words as they were";
  }
  return "";
}

}  // namespace host
