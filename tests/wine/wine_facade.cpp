#include "wine_facade.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "generic/win_handles.h"
#include "wine_files.h"
#include "wine_footprint.h"
#include "wine_handle_fingerprint.h"
#include "wine_library.h"
#include "wine_version_stamp.h"
#include "wine_warm_up.h"

namespace winetest {
namespace {

const char kProductKey[] = "SOFTWARE\\Qandor\\zel";
const char kDataPathValue[] = "datapath";
const char kHarnessRoot[] = "C:\\basetdic-harness";

// Stand-ins for the component's INF and catalogue: the library only copies them and names the INF.
const char kInfText[] =
    "; Stand-in INF of the zelbase network component, read by no one but the stand-in snetcfg.exe.\r\n"
    "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=NetService\r\nCatalogFile=zelbase.cat\r\n";
const char kCatalogueText[] = "stand-in catalogue of zelbase.inf\r\n";

void ReportProblems(const std::vector<std::string>& problems, const char* when) {
  for (const std::string& problem : problems) ADD_FAILURE() << "removing the product " << when << ": " << problem;
}

// The stand-in driver image a file at path should be: zelbase's when its name says so, else basetdi's.
std::string DriverImageFor(const std::string& path) {
  std::string name = path.substr(path.find_last_of('\\') + 1);
  CharLowerBuffA(&name[0], static_cast<DWORD>(name.size()));
  return DriverPayloadDirectory() + (name.find("zelbase") != std::string::npos ? "\\zelbase.sys" : "\\basetdi.sys");
}

}  // namespace

WineFacade::WineFacade() {
  WarmUpProcessOnce();
  ReportProblems(RemoveProductFootprint(), "before the case");
  if (!CreateFolderTree(kHarnessRoot)) ADD_FAILURE() << "cannot create " << kHarnessRoot;
  toolLog_ = std::string(kHarnessRoot) + "\\" + UniqueName("tool-") + ".log";
  made_.push_back(toolLog_);
  // Programs the library starts inherit the environment of this process.
  SetEnvironmentVariableA("SNETCFG_LOG", toolLog_.c_str());
  SetToolBehaviour(0, 0);
  const LibraryExports& library = BasetdicLibrary();
  if (!library.error.empty()) ADD_FAILURE() << library.error;
}

WineFacade::~WineFacade() {
  std::vector<std::string> problems = RemoveProductFootprint();
  for (auto made = made_.rbegin(); made != made_.rend(); ++made)
    if (!DeleteTree(*made)) problems.push_back("delete " + *made + ": error " + std::to_string(GetLastError()));
  ReportProblems(problems, "after the case");
  SetEnvironmentVariableA("SNETCFG_LOG", nullptr);
  SetEnvironmentVariableA("SNETCFG_EXIT", nullptr);
  SetEnvironmentVariableA("SNETCFG_SLEEP_MS", nullptr);
}

void* WineFacade::QueryModuleObj() {
  const LibraryExports& library = BasetdicLibrary();
  if (library.queryModuleObj == nullptr) {
    ADD_FAILURE() << library.error;
    return nullptr;
  }
  return library.queryModuleObj();
}

int WineFacade::ReleaseObj(void* object) {
  const LibraryExports& library = BasetdicLibrary();
  if (library.releaseObj == nullptr) {
    ADD_FAILURE() << library.error;
    return 0;
  }
  return library.releaseObj(object);
}

std::string WineFacade::MakeSetupFolder(const std::string& basetdiVersion, const std::string& zelbaseVersion,
                                        bool withTool) {
  const std::string folder = "C:\\" + UniqueName("setup-");
  made_.push_back(folder);
  if (!CreateFolderTree(folder)) {
    ADD_FAILURE() << "cannot create " << folder << ": error " << GetLastError();
    return folder;
  }
  const std::string payload = PayloadDirectory();
  const std::string drivers = DriverPayloadDirectory();
  std::string error;
  if (!CopyWithFileVersion(drivers + "\\basetdi.sys", folder + "\\Basetdi.nt4", basetdiVersion, &error) ||
      !CopyWithFileVersion(drivers + "\\zelbase.sys", folder + "\\zelbase.sys", zelbaseVersion, &error))
    ADD_FAILURE() << error;
  if (!WriteWholeFile(folder + "\\zelbase.inf", kInfText) ||
      !WriteWholeFile(folder + "\\zelbase.cat", kCatalogueText))
    ADD_FAILURE() << "cannot write the INF or catalogue in " << folder << ": error " << GetLastError();
  const std::string dll = payload + "\\basetdic.dll";
  if (!CopyFileA(dll.c_str(), (folder + "\\basetdic.dll").c_str(), FALSE))
    ADD_FAILURE() << "cannot copy " << dll << ": error " << GetLastError();
  const std::string tool = payload + "\\snetcfg.exe";
  if (withTool && !CopyFileA(tool.c_str(), (folder + "\\snetcfg.exe").c_str(), FALSE))
    ADD_FAILURE() << "cannot copy " << tool << ": error " << GetLastError();
  return folder;
}

void WineFacade::PutVersionedFile(const std::string& path, const std::string& version) {
  const std::string parent = ParentOf(path);
  const std::string missing = OutermostMissingFolder(parent);
  if (!missing.empty()) made_.push_back(missing);
  if (!CreateFolderTree(parent)) ADD_FAILURE() << "cannot create " << parent;
  made_.push_back(path);
  std::string error;
  if (!CopyWithFileVersion(DriverImageFor(path), path, version, &error)) ADD_FAILURE() << error;
}

std::vector<scenarios::ToolRequest> WineFacade::ToolRequests() {
  std::string log;
  // No log yet: the tool has not run.
  if (!ReadWholeFile(toolLog_, &log)) return {};
  return ParseToolLog(log);
}

void WineFacade::SetToolBehaviour(DWORD exitCode, DWORD runMilliseconds) {
  SetEnvironmentVariableA("SNETCFG_EXIT", std::to_string(exitCode).c_str());
  SetEnvironmentVariableA("SNETCFG_SLEEP_MS", runMilliseconds ? std::to_string(runMilliseconds).c_str() : nullptr);
}

void WineFacade::SetProductDataPath(const std::string& directory) {
  basetdic::UniqueKey key;
  LSTATUS result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                   key.put(), nullptr);
  if (result == ERROR_SUCCESS)
    result = RegSetValueExA(key.get(), kDataPathValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(directory.c_str()),
                            static_cast<DWORD>(directory.size() + 1));
  if (result != ERROR_SUCCESS) ADD_FAILURE() << "cannot write HKLM\\" << kProductKey << " datapath: error " << result;
  const std::string missing = OutermostMissingFolder(directory);
  if (!missing.empty()) made_.push_back(missing);
  if (!CreateFolderTree(directory)) ADD_FAILURE() << "cannot create " << directory;
}

scenarios::HandleFingerprint WineFacade::TakeHandleFingerprint() {
  scenarios::HandleFingerprint fingerprint;
  fingerprint.values = EventHandleFingerprint();
  return fingerprint;
}

std::vector<scenarios::ToolRequest> ParseToolLog(const std::string& log) {
  std::vector<scenarios::ToolRequest> requests;
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find("\r\n", start);
    if (end == std::string::npos) end = log.size();
    const std::string line = log.substr(start, end - start);
    start = end + 2;
    const size_t tab = line.rfind('\t');
    if (tab == std::string::npos)
      requests.push_back({line, std::string()});
    else
      requests.push_back({line.substr(0, tab), line.substr(tab + 1)});
  }
  return requests;
}

}  // namespace winetest
