#include "steps/copy_driver_file.h"

#include <windows.h>

#include "generic/bounded_text.h"
#include "trace/trace_log.h"
#include "steps/file_version.h"

namespace basetdic {

namespace {

// The copy itself; versions is read only when checkVersion asks for it.
int CopyWithVersions(const VersionReader* versions, const char* source, const char* destination, int checkVersion) {
  TraceLog("CopyFile, SrcPath:%s, DstPath:%s\n", TextOrEmpty(source), TextOrEmpty(destination));
  if (checkVersion && versions != nullptr) {
    const uint32_t sourceVersion = versions->Read(source);
    const uint32_t destinationVersion = versions->Read(destination);
    if (sourceVersion != 0 && destinationVersion != 0 && sourceVersion < destinationVersion) {
      TraceLog("CopyFile, Need not copy!\n");
      return 1;
    }
  }
  const BOOL copied = CopyFileA(source, destination, FALSE);
  const DWORD error = GetLastError();
  TraceLog("Copyfile, ret:%d, errcode:%d\n", static_cast<int>(copied), static_cast<int>(error));
  return copied;
}

}  // namespace

int CopyDriverFile(const char* source, const char* destination, int checkVersion) {
  if (!checkVersion) return CopyWithVersions(nullptr, source, destination, checkVersion);
  VersionReader versions;
  return CopyWithVersions(&versions, source, destination, checkVersion);
}

int CopyDriverFile(const VersionReader& versions, const char* source, const char* destination, int checkVersion) {
  return CopyWithVersions(&versions, source, destination, checkVersion);
}

}  // namespace basetdic
