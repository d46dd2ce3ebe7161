// What basetdic-host's verdict says about a machine, one table per operation and one for status: a
// Windows, what ran before, one piece of damage done to the machine from outside, then the command,
// and the first notice code, the exit code and words of the summary it must end with. The damage is
// named in Windows terms (paths, keys) so that the winsim host tests and the Wine harness can both
// apply it; rows a platform cannot show are marked for it.
#ifndef BASETDIC_TESTS_VERDICT_CASES_H
#define BASETDIC_TESTS_VERDICT_CASES_H

namespace verdict_cases {

enum class Damage {
  None,
  DeleteFile,     // path
  GarbageFile,    // path: 1536 bytes that are no image
  NewerImage,     // path: a driver image carrying version `text`
  DeleteValue,    // key, value
  SetDword,       // key, value, number
  AddKey,         // key
};

struct Harm {
  Damage damage = Damage::None;
  const char* path = "";   // a file ("C:\setup\zelbase.sys") or a key below HKLM ("SYSTEM\...")
  const char* value = "";
  unsigned number = 0;
  const char* text = "";
};

struct VerdictCase {
  const char* name;
  const char* os;       // basetdic-host's --os: nt4 win2k xp vista win7 win9x, "xp --wow64"
  bool harmFirst;       // the damage before the commands that run first, not after them
  const char* before;   // commands run first, one run each, blank-separated ("install install"); "" for none
  Harm harm;
  const char* command;  // "install", "status"
  const char* code;     // the first notice with a verdict code; "" when the machine agrees
  int exitCode;
  const char* says;     // in the summary
  bool needsCalls;      // the words come from the library's failed calls, which a Windows host sees only
                        // through its import-table interposer
};

inline constexpr char kSetupDriver[] = "C:\\setup\\zelbase.sys";

inline constexpr VerdictCase kInstallCases[] = {
    {"healthy", "xp", false, "", {}, "install", "", 0, "the machine agrees", false},
    {"setup driver missing", "xp", false, "", {Damage::DeleteFile, kSetupDriver}, "install", "not-running", 3,
     "install reported result 1, but ZelBase is not running: its image C:\\WINDOWS\\system32\\drivers\\zelbase.sys "
     "is missing",
     false},
    {"garbage driver", "xp", false, "", {Damage::GarbageFile, kSetupDriver}, "install", "invalid-image", 3,
     "is not a valid driver image", false},
    {"WOW64 registers only", "xp --wow64", false, "", {}, "install", "", 0, "the machine agrees", false},
    {"TDI driver", "nt4", false, "", {}, "install", "", 0, "the machine agrees", false},
    {"no data path", "win7", false, "", {Damage::DeleteValue, "SOFTWARE\\Qandor\\zel", "datapath"}, "install",
     "data-path-missing", 1, "install reported result 0: the product data path is not set", false},
    {"no tool", "win7", false, "", {Damage::DeleteFile, "C:\\setup\\snetcfg.exe"}, "install", "component-missing", 1,
     "snetcfg.exe could not be started", true},
    {"Windows 98", "win9x", false, "", {}, "install", "", 0, "install did nothing [not-nt]", false},
};

inline constexpr VerdictCase kStartCases[] = {
    {"after install", "xp", false, "install", {}, "start", "", 0, "the machine agrees", false},
    {"nothing installed", "xp", false, "", {}, "start", "not-running", 3,
     "its image C:\\WINDOWS\\system32\\drivers\\zelbase.sys is missing", false},
    {"garbage installed", "xp", true, "install", {Damage::GarbageFile, kSetupDriver}, "start", "invalid-image", 3,
     "start failed with 193", false},
    {"no service manager", "win9x", false, "", {}, "start", "not-running", 3, "the service manager could not be opened",
     true},
    {"network component", "win7", false, "", {}, "start", "", 0, "the machine agrees", false},
};

inline constexpr VerdictCase kUpdateCases[] = {
    {"after install", "xp", false, "install", {}, "update", "", 0, "the machine agrees", false},
    {"newer setup driver over the running one", "xp", false, "install",
     {Damage::NewerImage, kSetupDriver, "", 0, "3.2.0.0"}, "update", "older-image", 3,
     "older than C:\\setup\\zelbase.sys (3.2.0.0): CopyFileA failed with 32", true},
    {"TDI count raised", "nt4", false, "install", {}, "update", "", 0, "the machine agrees", false},
    {"Windows 98", "win9x", false, "", {}, "update", "", 0, "update did nothing [not-nt]", false},
};

inline constexpr VerdictCase kRemoveCases[] = {
    {"running driver", "xp", false, "install", {}, "remove", "left-behind", 3, "ZelBase still runs", false},
    {"stopped driver", "xp", true, "install", {Damage::GarbageFile, kSetupDriver}, "remove", "", 0,
     "the machine agrees", false},
    {"another module holds the TDI driver", "nt4", false, "install install", {}, "remove", "", 0,
     "the machine agrees", false},
    {"TDI key with a foreign subkey", "nt4", false, "install",
     {Damage::AddKey, "SYSTEM\\CurrentControlSet\\Services\\BaseTDI\\Other"}, "remove", "left-behind", 3,
     "BaseTDI is still there", false},
    {"network component", "win7", false, "install", {}, "remove", "", 0, "the machine agrees", false},
    {"no tool", "win7", false, "install", {Damage::DeleteFile, "C:\\setup\\snetcfg.exe"}, "remove", "left-behind", 1,
     "snetcfg.exe could not be started", true},
};

inline constexpr VerdictCase kStatusCases[] = {
    {"nothing installed", "xp", false, "", {}, "status", "", 0, "FwBase2K is not installed on this machine", false},
    {"running", "xp", false, "install", {}, "status", "", 0, "ZelBase runs and \\\\.\\zelbase opens", false},
    {"image never placed", "xp", true, "install", {Damage::DeleteFile, kSetupDriver}, "status", "not-running", 3,
     "installed but not working: ZelBase is not running", false},
    {"removed but running", "xp", false, "install remove", {}, "status", "left-behind", 3, "is not installed, but",
     false},
    {"TDI count at zero", "nt4", false, "install",
     {Damage::SetDword, "SYSTEM\\CurrentControlSet\\Services\\BaseTDI", "nSon", 0}, "status", "count-mismatch", 3,
     "nSon", false},
    {"network component", "win7", false, "install", {}, "status", "", 0, "FwBaseVt is installed", false},
    {"driver package gone", "win7", false, "install",
     {Damage::DeleteFile, "C:\\ProgramData\\Qandor\\zel\\zelbase.inf"}, "status", "data-path-missing", 3,
     "zelbase.inf is missing", false},
};

}  // namespace verdict_cases

#endif
