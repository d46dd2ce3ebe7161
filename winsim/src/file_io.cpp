// CreateFileA (files and \\.\NAME devices) and the calls on its handles: read, write, seek, size, flush, close.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "api_call.h"
#include "file_objects.h"
#include "handles.h"
#include "paths.h"
#include "scm_drivers.h"

using winsim::HandleKind;
using winsim::detail::ApiCall;
using winsim::detail::Arg;
using winsim::detail::Existence;
using winsim::detail::FileObject;
using winsim::detail::Forget;
using winsim::detail::Handles;
using winsim::detail::OpenFiles;
using winsim::detail::ParsePath;
using winsim::detail::Probe;
using winsim::detail::SharingAllows;
using winsim::detail::WantsRead;
using winsim::detail::WantsWrite;
using winsim::detail::WindowsPath;

extern "C" {

HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES, DWORD disposition,
                          DWORD, HANDLE) {
  ApiCall call("CreateFileA", Arg(fileName) + " access=" + winsim::detail::Hex(access) +
                                  " share=" + std::to_string(shareMode) + " disposition=" + std::to_string(disposition));
  if (call.Fault()) return INVALID_HANDLE_VALUE;
  WindowsPath path = ParsePath(fileName);
  if (!path.valid) {
    SetLastError(fileName && *fileName ? ERROR_INVALID_NAME : ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto file = std::make_shared<FileObject>();
  file->access = access;
  file->share = shareMode;
  if (path.device) {
    if (!winsim::DeviceExists(path.deviceName)) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
    file->device = path.deviceName;
    SetLastError(ERROR_SUCCESS);
    return Handles().Add(file);
  }
  std::string host = winsim::detail::HostPathOf(path);
  Existence existence = Probe(host);
  if (existence == Existence::Directory) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  bool exists = existence == Existence::File;
  if (existence == Existence::MissingParent) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  int flags = 0;
  switch (disposition) {
    case CREATE_NEW:
      if (exists) {
        SetLastError(ERROR_FILE_EXISTS);
        return INVALID_HANDLE_VALUE;
      }
      flags = O_CREAT;
      break;
    case CREATE_ALWAYS: flags = O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING:
      if (!exists) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
      }
      break;
    case OPEN_ALWAYS: flags = O_CREAT; break;
    case TRUNCATE_EXISTING:
      if (!exists) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
      }
      if (!WantsWrite(access)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
      }
      flags = O_TRUNC;
      break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
  }
  if (exists && (!SharingAllows(host, access, shareMode) ||
                 (WantsWrite(access) && winsim::detail::IsLoadedDriverImage(host)))) {
    SetLastError(ERROR_SHARING_VIOLATION);
    return INVALID_HANDLE_VALUE;
  }
  flags |= WantsWrite(access) ? (WantsRead(access) ? O_RDWR : O_WRONLY) : O_RDONLY;
  if ((flags & O_TRUNC) && !WantsWrite(access)) flags = (flags & ~O_RDONLY) | O_RDWR;
  bool changes = exists ? (flags & O_TRUNC) != 0 || WantsWrite(access) : (flags & O_CREAT) != 0;
  if (changes && !winsim::detail::MayChangeHostPath(host)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  file->fd = open(host.c_str(), flags | O_CLOEXEC, 0644);
  if (file->fd < 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  file->host = host;
  OpenFiles().push_back(file.get());
  bool reportExisting = exists && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS);
  winsim::detail::SetLastErrorOfSuccess(reportExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return Handles().Add(file);
}

BOOL WINAPI ReadFile(HANDLE handle, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED) {
  ApiCall call("ReadFile", std::to_string(toRead));
  if (read) *read = 0;
  if (call.Fault()) return FALSE;
  auto file = Handles().Get<FileObject>(handle, HandleKind::File);
  if (!file) {
    if (Handles().Get<FileObject>(handle, HandleKind::Device)) return TRUE;  // devices read nothing
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!WantsRead(file->access)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  ssize_t got = ::read(file->fd, buffer, toRead);
  if (got < 0) {
    SetLastError(ERROR_READ_FAULT);
    return FALSE;
  }
  if (read) *read = static_cast<DWORD>(got);
  return TRUE;
}

BOOL WINAPI WriteFile(HANDLE handle, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED) {
  ApiCall call("WriteFile", std::to_string(toWrite));
  if (written) *written = 0;
  if (call.Fault()) return FALSE;
  auto file = Handles().Get<FileObject>(handle, HandleKind::File);
  if (!file) {
    if (Handles().Get<FileObject>(handle, HandleKind::Device)) {
      if (written) *written = toWrite;
      return TRUE;
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!WantsWrite(file->access)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  ssize_t put = ::write(file->fd, buffer, toWrite);
  if (put < 0) {
    SetLastError(ERROR_WRITE_FAULT);
    return FALSE;
  }
  if (written) *written = static_cast<DWORD>(put);
  return TRUE;
}

DWORD WINAPI SetFilePointer(HANDLE handle, LONG distance, PLONG distanceHigh, DWORD method) {
  ApiCall call("SetFilePointer", std::to_string(distance) + " method=" + std::to_string(method));
  if (call.Fault()) return INVALID_SET_FILE_POINTER;
  auto file = Handles().Get<FileObject>(handle, HandleKind::File);
  if (!file) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_SET_FILE_POINTER;
  }
  int64_t offset = distanceHigh ? (static_cast<int64_t>(*distanceHigh) << 32) | static_cast<uint32_t>(distance)
                                : static_cast<int64_t>(distance);
  int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : SEEK_END;
  off_t position = lseek(file->fd, offset, whence);
  if (position < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceHigh) *distanceHigh = static_cast<LONG>(static_cast<uint64_t>(position) >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(position);
}

DWORD WINAPI GetFileSize(HANDLE handle, LPDWORD sizeHigh) {
  ApiCall call("GetFileSize");
  if (call.Fault()) return INVALID_FILE_SIZE;
  auto file = Handles().Get<FileObject>(handle, HandleKind::File);
  struct stat info;
  if (!file || fstat(file->fd, &info) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_FILE_SIZE;
  }
  if (sizeHigh) *sizeHigh = static_cast<DWORD>(static_cast<uint64_t>(info.st_size) >> 32);
  return static_cast<DWORD>(info.st_size);
}

BOOL WINAPI FlushFileBuffers(HANDLE handle) {
  ApiCall call("FlushFileBuffers");
  if (call.Fault()) return FALSE;
  auto file = Handles().Get<FileObject>(handle, HandleKind::File);
  if (!file) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!WantsWrite(file->access)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return TRUE;
}

}  // extern "C"

namespace winsim::detail {

// Closes a file or device handle; called by CloseHandle.
bool CloseFileHandle(HANDLE handle) {
  auto object = Handles().Find(handle);
  if (!object || (object->Kind() != HandleKind::File && object->Kind() != HandleKind::Device)) return false;
  Forget(static_cast<FileObject*>(object.get()));
  Handles().Remove(handle);
  return true;
}

}  // namespace winsim::detail
