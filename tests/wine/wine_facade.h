// The machine facade on Wine: the live Windows API of the running prefix. Wine shows the Windows version
// chosen for the whole run, so a facade stands for "this prefix, with the product removed": it removes
// the product's footprint when made and again when destroyed, and removes every folder and file it made.
// The library is the payload's basetdic.dll (the x86_64 build's, or the shipping i686 one), reached through
// LoadLibraryA and GetProcAddress;
// the drivers are the stand-in test drivers, which Wine's service manager really loads.
#ifndef BASETDIC_TESTS_WINE_WINE_FACADE_H
#define BASETDIC_TESTS_WINE_WINE_FACADE_H

#include <string>
#include <vector>

#include "machine_facade.h"
#include "wine_library.h"

namespace winetest {

class WineFacade final : public scenarios::MachineFacade {
 public:
  WineFacade();
  ~WineFacade() override;
  WineFacade(const WineFacade&) = delete;
  WineFacade& operator=(const WineFacade&) = delete;

  std::string PlatformName() const override { return "wine"; }
  void* QueryModuleObj() override;
  int ReleaseObj(void* object) override;
  std::string MakeSetupFolder(const std::string& basetdiVersion, const std::string& zelbaseVersion,
                              bool withTool = true) override;
  void PutVersionedFile(const std::string& path, const std::string& version) override;
  std::vector<scenarios::ToolRequest> ToolRequests() override;
  void SetToolBehaviour(DWORD exitCode, DWORD runMilliseconds) override;
  void SetProductDataPath(const std::string& directory) override;
  scenarios::HandleFingerprint TakeHandleFingerprint() override;
  bool RunUnderWow64(bool wow64) override { return ProcessIsWow64() == wow64; }

  // The file the tool appends its requests to for this facade.
  const std::string& ToolLogPath() const { return toolLog_; }

 private:
  std::string toolLog_;
  std::vector<std::string> made_;  // folders and files this facade created, removed on destruction
};

// The tool's log as ToolRequests reads it: one "command line<TAB>working directory<CR><LF>" per run.
std::vector<scenarios::ToolRequest> ParseToolLog(const std::string& log);

}  // namespace winetest

#endif
