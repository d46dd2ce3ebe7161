// Files and directories by name: copy, delete, attributes, create and remove directories, current directory.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "api_call.h"
#include "file_objects.h"
#include "machine_state.h"
#include "paths.h"
#include "scm_drivers.h"

using winsim::detail::ApiCall;
using winsim::detail::Arg;
using winsim::detail::Existence;
using winsim::detail::MissingError;
using winsim::detail::OpenWithoutDeleteSharing;
using winsim::detail::ParsePath;
using winsim::detail::Probe;
using winsim::detail::SharingAllows;
using winsim::detail::WindowsPath;

namespace {

bool CopyHostFile(const std::string& from, const std::string& to) {
  std::error_code error;
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, error);
  return !error;
}

}  // namespace

extern "C" {

BOOL WINAPI CopyFileA(LPCSTR existingFileName, LPCSTR newFileName, BOOL failIfExists) {
  ApiCall call("CopyFileA", Arg(existingFileName) + " -> " + Arg(newFileName) + (failIfExists ? " failIfExists" : ""));
  if (call.Fault()) return FALSE;
  WindowsPath from = ParsePath(existingFileName);
  WindowsPath to = ParsePath(newFileName);
  if (!from.valid || !to.valid || from.device || to.device) {
    SetLastError(ERROR_INVALID_NAME);
    return FALSE;
  }
  std::string fromHost = winsim::detail::HostPathOf(from);
  std::string toHost = winsim::detail::HostPathOf(to);
  Existence source = Probe(fromHost);
  if (source != Existence::File) {
    SetLastError(source == Existence::Directory ? ERROR_ACCESS_DENIED : MissingError(source));
    return FALSE;
  }
  Existence target = Probe(toHost);
  if (target == Existence::MissingParent) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  if (target == Existence::Directory) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (target == Existence::File && failIfExists) {
    SetLastError(ERROR_FILE_EXISTS);
    return FALSE;
  }
  // The copy reads its source sharing everything and writes its target sharing nothing.
  if (!SharingAllows(fromHost, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE) ||
      (target == Existence::File &&
       (!SharingAllows(toHost, GENERIC_WRITE, 0) || winsim::detail::IsLoadedDriverImage(toHost)))) {
    SetLastError(ERROR_SHARING_VIOLATION);
    return FALSE;
  }
  if (fromHost == toHost) {
    SetLastError(ERROR_SHARING_VIOLATION);
    return FALSE;
  }
  if (!winsim::detail::MayChangeHostPath(toHost) || !CopyHostFile(fromHost, toHost)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR fileName) {
  ApiCall call("DeleteFileA", Arg(fileName));
  if (call.Fault()) return FALSE;
  WindowsPath path = ParsePath(fileName);
  if (!path.valid || path.device) {
    SetLastError(path.device ? ERROR_ACCESS_DENIED : ERROR_INVALID_NAME);
    return FALSE;
  }
  std::string host = winsim::detail::HostPathOf(path);
  Existence existence = Probe(host);
  if (existence == Existence::Directory) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (existence != Existence::File) {
    SetLastError(MissingError(existence));
    return FALSE;
  }
  // A running driver's image is mapped: it cannot be deleted until the driver unloads.
  if (winsim::detail::IsLoadedDriverImage(host)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (OpenWithoutDeleteSharing(host)) {
    SetLastError(ERROR_SHARING_VIOLATION);
    return FALSE;
  }
  if (!winsim::detail::MayChangeHostPath(host) || unlink(host.c_str()) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return TRUE;
}

DWORD WINAPI GetFileAttributesA(LPCSTR fileName) {
  ApiCall call("GetFileAttributesA", Arg(fileName));
  if (call.Fault()) return INVALID_FILE_ATTRIBUTES;
  WindowsPath path = ParsePath(fileName);
  if (!path.valid || path.device) {
    SetLastError(ERROR_INVALID_NAME);
    return INVALID_FILE_ATTRIBUTES;
  }
  std::string host = winsim::detail::HostPathOf(path);
  Existence existence = Probe(host);
  switch (existence) {
    case Existence::File: return FILE_ATTRIBUTE_ARCHIVE;
    case Existence::Directory: return FILE_ATTRIBUTE_DIRECTORY;
    default: SetLastError(MissingError(existence)); return INVALID_FILE_ATTRIBUTES;
  }
}

BOOL WINAPI CreateDirectoryA(LPCSTR pathName, LPSECURITY_ATTRIBUTES) {
  ApiCall call("CreateDirectoryA", Arg(pathName));
  if (call.Fault()) return FALSE;
  WindowsPath path = ParsePath(pathName);
  if (!path.valid || path.device) {
    SetLastError(ERROR_INVALID_NAME);
    return FALSE;
  }
  std::string host = winsim::detail::HostPathOf(path);
  Existence existence = Probe(host);
  if (existence == Existence::File || existence == Existence::Directory) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return FALSE;
  }
  if (existence == Existence::MissingParent) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  if (!winsim::detail::MayChangeHostPath(host)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (mkdir(host.c_str(), 0755) != 0) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  return TRUE;
}

BOOL WINAPI RemoveDirectoryA(LPCSTR pathName) {
  ApiCall call("RemoveDirectoryA", Arg(pathName));
  if (call.Fault()) return FALSE;
  WindowsPath path = ParsePath(pathName);
  std::string host = path.valid && !path.device ? winsim::detail::HostPathOf(path) : std::string();
  Existence existence = Probe(host);
  if (existence != Existence::Directory) {
    SetLastError(existence == Existence::File ? ERROR_DIRECTORY : MissingError(existence));
    return FALSE;
  }
  if (!winsim::detail::MayChangeHostPath(host)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (rmdir(host.c_str()) != 0) {
    SetLastError(ERROR_DIR_NOT_EMPTY);
    return FALSE;
  }
  return TRUE;
}

DWORD WINAPI GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
  ApiCall call("GetCurrentDirectoryA");
  const std::string& cwd = winsim::detail::Core().config.currentDirectory;
  if (buffer == nullptr || cwd.size() + 1 > size) return static_cast<DWORD>(cwd.size() + 1);
  memcpy(buffer, cwd.c_str(), cwd.size() + 1);
  return static_cast<DWORD>(cwd.size());
}

}  // extern "C"
