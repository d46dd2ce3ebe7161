// The reference-counted registration of the shared NT 4.0 TDI driver "BaseTDI". Every acquire copies the
// driver into place, raises "nSon" and rewrites the whole service key; the release that brings the count
// to zero deletes the key and the driver file.
//
// Two setup programs can run at once, and the count's read, change and write are separate registry
// calls: without care one of them would overwrite the other's count and lose a reference, so that the
// last remove deletes a driver another module still uses. Each operation therefore holds a named mutex
// while it works on the count, the key and the file. The wait is bounded so that no process can hold
// the installs of others hostage; one that cannot have the mutex goes on without it, as it would have
// before, and says so in the trace.
#include <windows.h>

#include "deploy/deploy_paths.h"
#include "generic/error_predicates.h"
#include "generic/held_mutex.h"
#include "generic/registry_values.h"
#include "generic/system_directory.h"
#include "generic/win_handles.h"
#include "module/base_tdi_module_obj.h"
#include "rules/product_names.h"
#include "trace/trace_log.h"
#include "steps/copy_driver_file.h"

namespace basetdic {
namespace {

const REGSAM kCountAccess = KEY_WRITE | KEY_QUERY_VALUE;  // 0x20007

// The mutex lives in the global namespace where the system has one (NT 4.0 Terminal Server and every later
// Windows), so that setups in different sessions meet. Plain NT 4.0 has a single namespace and no
// "Global\" prefix; there the prefixed name is refused and the plain one serves.
const DWORD kLockWaitMs = 10000;

// Takes the registration's mutex for one operation ("acquire" or "release"), or traces why it could not.
void LockRegistration(HeldMutex& lock, const char* operation) {
  DWORD error = ERROR_SUCCESS;
  if (!lock.Open(kTdiLockName) && !lock.Open(kTdiLockNameWithoutSessions))
    error = GetLastError();
  else
    error = lock.Wait(kLockWaitMs);
  if (error != ERROR_SUCCESS)
    TraceLog("BaseTDI %s goes on without its lock, error %d\n", operation, static_cast<int>(error));
}

// What reading the stored count found. A count that cannot be read for a reason other than its absence
// is unknown: it may still count other modules, so neither operation writes over it or deletes by it.
enum class CountRead {
  Found,    // the count is in *count
  Absent,   // no value, or one that does not fit four bytes: no module counted
  Unknown,  // the read failed otherwise (access denied, ...)
};

CountRead ReadCount(HKEY key, DWORD* count) {
  DWORD size = sizeof *count;
  LONG read = RegQueryValueExA(key, kTdiCountValue, nullptr, nullptr, reinterpret_cast<BYTE*>(count), &size);
  if (read == ERROR_SUCCESS) return CountRead::Found;
  return IsFixedValueMissing(read) ? CountRead::Absent : CountRead::Unknown;
}

// The count through the service key, when it opens; a key that is not there counts nobody.
CountRead ReadCountOfKey(DWORD* count) {
  UniqueKey key;
  LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTdiServiceKey, 0, kCountAccess, key.put());
  if (opened != ERROR_SUCCESS) return IsKeyMissing(opened) ? CountRead::Absent : CountRead::Unknown;
  return ReadCount(key.get(), count);
}

void DeleteSubkeys() {
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kTdiEnumKey);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kTdiSecurityKey);
}

// Writes the service key value by value, in this order; "DisplayName" goes without its terminator,
// "ImagePath" with it. The count is raised from the stored one (1 for the first registration, the top
// kept rather than wrapped to 0); an unknown one is left as it is.
void WriteServiceKey(HKEY key, CountRead read, DWORD stored) {
  SetRegistryValue(key, "DisplayName", REG_SZ, kTdiDisplayName, sizeof kTdiDisplayName - 1);
  SetDword(key, "ErrorControl", SERVICE_ERROR_NORMAL);
  SetRegistryValue(key, "ImagePath", REG_EXPAND_SZ, kTdiImagePath, sizeof kTdiImagePath);
  if (read == CountRead::Absent) SetDword(key, kTdiCountValue, 1);
  if (read == CountRead::Found) SetDword(key, kTdiCountValue, stored == 0xFFFFFFFFu ? stored : stored + 1);
  SetDword(key, "Start", SERVICE_AUTO_START);
  SetDword(key, "Type", SERVICE_KERNEL_DRIVER);
}

// Copies the driver into place, raises the count and rewrites the whole service key.
void RaiseRegistration(const char* sourceDir, const char* systemDirectory) {
  PathBuffer source;
  PathBuffer destination;
  if (SetupFilePath(source, sourceDir, kTdiSetupFile) && SystemDriverPath(destination, systemDirectory, kTdiDriverFile))
    CopyDriverFile(source.c_str(), destination.c_str(), 1);

  DWORD stored = 0;
  CountRead read = ReadCountOfKey(&stored);
  DeleteSubkeys();
  UniqueKey key;
  if (RegCreateKeyA(HKEY_LOCAL_MACHINE, kTdiServiceKey, key.put()) != ERROR_SUCCESS) return;
  // A count the first read could not see gets a second look through the key now open, so that one failed
  // call does not cost this module its reference.
  if (read == CountRead::Unknown) read = ReadCount(key.get(), &stored);
  WriteServiceKey(key.get(), read, stored);
}

}  // namespace

void BaseTdiModuleObj::AcquireTdiRegistration(const char* systemDirectory) {
  // The copy is held under the lock too: a last release running meanwhile would delete the file placed
  // here while this acquire goes on to count itself in. Starting the driver is not: it can take long.
  {
    HeldMutex lock;
    LockRegistration(lock, "acquire");
    RaiseRegistration(SourceDir(), systemDirectory);
  }
  StartDriverThroughInterface();
}

void BaseTdiModuleObj::ReleaseTdiRegistration() {
  HeldMutex lock;
  LockRegistration(lock, "release");
  DWORD count = 0;
  {
    UniqueKey key;
    LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTdiServiceKey, 0, kCountAccess, key.put());
    // Only a key that is not there means nobody holds the driver; any other failure to open it, or to read
    // the count in it, says nothing about the count, so nothing is changed or deleted.
    if (opened != ERROR_SUCCESS && !IsKeyMissing(opened)) return;
    if (opened == ERROR_SUCCESS) {
      DWORD stored = 0;
      CountRead read = ReadCount(key.get(), &stored);
      if (read == CountRead::Unknown) return;
      // A stored 0 (left by a deletion that failed earlier) is the last reference, not a wrap to the top.
      if (read == CountRead::Found && stored != 0) count = stored - 1;
      SetDword(key.get(), kTdiCountValue, count);
    }
  }
  if (count != 0) return;
  DeleteSubkeys();
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kTdiServiceKey);
  PathBuffer systemDirectory;
  PathBuffer driver;
  if (FetchSystemDirectory(systemDirectory) && SystemDriverPath(driver, systemDirectory.c_str(), kTdiDriverFile))
    DeleteFileA(driver.c_str());
}

}  // namespace basetdic
