// What a deployment scenario needs from the machine it runs on, beyond the Windows API itself. The same
// scenarios run natively against winsim and as Windows programs under Wine; each platform implements
// this small facade, and the scenarios inspect registry, files, services and devices through the
// ordinary Win32 calls, which are winsim's or Wine's.
#ifndef BASETDIC_TESTS_SCENARIOS_MACHINE_FACADE_H
#define BASETDIC_TESTS_SCENARIOS_MACHINE_FACADE_H

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace scenarios {

// One request the network-configuration tool received.
struct ToolRequest {
  std::string commandLine;       // as the tool received it (begins with a blank)
  std::string workingDirectory;  // the directory it ran in
};

// A snapshot of open handles that changes when a handle is left open (winsim: counts by kind; Wine: the
// values a batch of fresh event handles receives).
struct HandleFingerprint {
  std::vector<uintptr_t> values;
  bool operator==(const HandleFingerprint& other) const { return values == other.values; }
};

class MachineFacade {
 public:
  virtual ~MachineFacade() = default;

  // "winsim" or "wine".
  virtual std::string PlatformName() const = 0;

  // The library's two exports as a setup program reaches them (winsim: linked; Wine: basetdic.dll
  // through LoadLibraryA and GetProcAddress).
  virtual void* QueryModuleObj() = 0;
  virtual int ReleaseObj(void* object) = 0;

  // A fresh setup folder holding the module's files: "Basetdi.nt4" and "zelbase.sys" with the given file
  // versions (e.g. "1.0.0.1"; empty: no version resource), "zelbase.inf", "zelbase.cat", "snetcfg.exe"
  // (unless withTool is false) and "basetdic.dll". Returns its full Windows path, without trailing
  // backslash. The drivers, once started, create "\\.\baseTdi" and "\\.\zelbase".
  virtual std::string MakeSetupFolder(const std::string& basetdiVersion, const std::string& zelbaseVersion,
                                      bool withTool = true) = 0;

  // Writes a file with a file version (empty: none) at a full Windows path, e.g. to place an installed
  // driver that is newer than the setup copy.
  virtual void PutVersionedFile(const std::string& path, const std::string& version) = 0;

  // Every request the network-configuration tool has received since the machine was made, in order.
  virtual std::vector<ToolRequest> ToolRequests() = 0;
  // Makes the tool exit with this code, after running this long, from now on.
  virtual void SetToolBehaviour(DWORD exitCode, DWORD runMilliseconds) = 0;

  // Sets the product data path value (HKLM\SOFTWARE\Qandor\zel "datapath") to a directory given without
  // trailing backslash, and creates that folder.
  virtual void SetProductDataPath(const std::string& directory) = 0;

  virtual HandleFingerprint TakeHandleFingerprint() = 0;

  // Makes the process the library runs in a WOW64 process or not, as asked. False when this platform
  // cannot (under Wine the prefix and the program's width decide): the case does not apply here.
  virtual bool RunUnderWow64(bool wow64) = 0;
};

}  // namespace scenarios

#endif
