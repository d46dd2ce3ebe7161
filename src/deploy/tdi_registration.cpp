// The reference-counted registration of the shared NT 4.0 TDI driver "BaseTDI". Every acquire copies the
// driver into place, raises "nSon" and rewrites the whole service key; the release that brings the count
// to zero deletes the key and the driver file.
#include <windows.h>

#include "deploy/deploy_paths.h"
#include "module/base_tdi_module_obj.h"
#include "util/copy_driver_file.h"
#include "util/win_handles.h"

namespace basetdic {
namespace {

const char kServiceKey[] = "SYSTEM\\CurrentControlSet\\Services\\BaseTDI";
const char kEnumKey[] = "SYSTEM\\CurrentControlSet\\Services\\BaseTDI\\Enum";
const char kSecurityKey[] = "SYSTEM\\CurrentControlSet\\Services\\BaseTDI\\Security";
const char kCountValue[] = "nSon";
const char kSetupFile[] = "Basetdi.nt4";
const char kDriverFile[] = "basetdi.sys";
const char kDisplayName[] = "Qandor TDI Base Driver";
const char kImagePath[] = "System32\\DRIVERS\\BaseTDI.SYS";
const REGSAM kCountAccess = KEY_WRITE | KEY_QUERY_VALUE;  // 0x20007

// The stored count; false when the value is missing or does not fit four bytes.
bool ReadCount(HKEY key, DWORD* count) {
  DWORD size = sizeof *count;
  return RegQueryValueExA(key, kCountValue, nullptr, nullptr, reinterpret_cast<BYTE*>(count), &size) == ERROR_SUCCESS;
}

void SetDword(HKEY key, const char* name, DWORD value) {
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

void DeleteSubkeys() {
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kEnumKey);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSecurityKey);
}

// Writes the service key value by value, in this order; "DisplayName" goes without its terminator,
// "ImagePath" with it.
void WriteServiceKey(HKEY key, DWORD count) {
  RegSetValueExA(key, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(kDisplayName), sizeof kDisplayName - 1);
  SetDword(key, "ErrorControl", SERVICE_ERROR_NORMAL);
  RegSetValueExA(key, "ImagePath", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(kImagePath), sizeof kImagePath);
  SetDword(key, kCountValue, count);
  SetDword(key, "Start", SERVICE_AUTO_START);
  SetDword(key, "Type", SERVICE_KERNEL_DRIVER);
}

}  // namespace

void BaseTdiModuleObj::AcquireTdiRegistration(const char* systemDirectory) {
  PathBuffer source;
  PathBuffer destination;
  if (SetupFilePath(source, SourceDir(), kSetupFile) && SystemDriverPath(destination, systemDirectory, kDriverFile))
    CopyDriverFile(source.c_str(), destination.c_str(), 1);

  // The first registration, or one whose count cannot be read, counts 1. A count already at its
  // maximum stays there rather than wrapping to 0.
  DWORD count = 1;
  {
    UniqueKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServiceKey, 0, kCountAccess, key.put()) == ERROR_SUCCESS) {
      DWORD stored = 0;
      if (ReadCount(key.get(), &stored)) count = stored == 0xFFFFFFFFu ? stored : stored + 1;
    }
  }
  DeleteSubkeys();
  {
    UniqueKey key;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, kServiceKey, key.put()) == ERROR_SUCCESS) WriteServiceKey(key.get(), count);
  }
  StartDriverThroughInterface();
}

void BaseTdiModuleObj::ReleaseTdiRegistration() {
  DWORD count = 0;
  {
    UniqueKey key;
    LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServiceKey, 0, kCountAccess, key.put());
    // Only a key that is not there means nobody holds the driver; any other failure to open it says
    // nothing about the count, so nothing is deleted.
    if (opened != ERROR_SUCCESS && opened != ERROR_FILE_NOT_FOUND) return;
    if (opened == ERROR_SUCCESS) {
      DWORD stored = 0;
      // A stored 0 (left by a deletion that failed earlier) is the last reference, not a wrap to the top.
      if (ReadCount(key.get(), &stored) && stored != 0) count = stored - 1;
      SetDword(key.get(), kCountValue, count);
    }
  }
  if (count != 0) return;
  DeleteSubkeys();
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kServiceKey);
  PathBuffer systemDirectory;
  PathBuffer driver;
  if (FetchSystemDirectory(systemDirectory) && SystemDriverPath(driver, systemDirectory.c_str(), kDriverFile))
    DeleteFileA(driver.c_str());
}

}  // namespace basetdic
