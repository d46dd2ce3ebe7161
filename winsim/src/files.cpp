// Files and directories over host folders: share modes, dispositions, copies, deletes and searches with
// Windows' error codes; devices (\\.\NAME) open while their driver has created them.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

#include "api_call.h"
#include "dos_wildcards.h"
#include "handles.h"
#include "machine_state.h"
#include "paths.h"
#include "scm_drivers.h"

using winsim::HandleKind;
using winsim::detail::ApiCall;
using winsim::detail::Arg;
using winsim::detail::Handles;
using winsim::detail::HandleObject;
using winsim::detail::ParsePath;
using winsim::detail::WindowsPath;

namespace {

struct FileObject : HandleObject {
  HandleKind Kind() const override { return device.empty() ? HandleKind::File : HandleKind::Device; }
  ~FileObject() override {
    if (fd >= 0) close(fd);
  }
  int fd = -1;
  std::string host;    // host path of a file
  std::string device;  // name of a device
  DWORD access = 0;
  DWORD share = 0;
};

struct FindObject : HandleObject {
  HandleKind Kind() const override { return HandleKind::Find; }
  std::vector<WIN32_FIND_DATAA> entries;
  size_t next = 0;
};

using Existence = winsim::detail::HostEntry;

Existence Probe(const std::string& host) { return winsim::detail::ProbeHostPath(host); }

DWORD MissingError(Existence existence) { return winsim::detail::MissingPathError(existence); }

// Every open file handle, so share modes can be checked across handles.
std::vector<FileObject*>& OpenFiles() {
  static std::vector<FileObject*> files;
  return files;
}

const bool registered = winsim::detail::OnBoot([] { OpenFiles().clear(); });

bool WantsRead(DWORD access) { return (access & (GENERIC_READ | GENERIC_ALL)) != 0; }
bool WantsWrite(DWORD access) { return (access & (GENERIC_WRITE | GENERIC_ALL)) != 0; }

// Whether a new open with this access and share mode can coexist with every open handle on the file.
// Opens that neither read nor write (attributes only) take no part on either side.
bool SharingAllows(const std::string& host, DWORD access, DWORD share) {
  if (!WantsRead(access) && !WantsWrite(access)) return true;
  for (const FileObject* open : OpenFiles()) {
    if (open->host != host || (!WantsRead(open->access) && !WantsWrite(open->access))) continue;
    if (WantsRead(access) && !(open->share & FILE_SHARE_READ)) return false;
    if (WantsWrite(access) && !(open->share & FILE_SHARE_WRITE)) return false;
    if (WantsRead(open->access) && !(share & FILE_SHARE_READ)) return false;
    if (WantsWrite(open->access) && !(share & FILE_SHARE_WRITE)) return false;
  }
  return true;
}

bool OpenWithoutDeleteSharing(const std::string& host) {
  return std::any_of(OpenFiles().begin(), OpenFiles().end(), [&](const FileObject* open) {
    return open->host == host && !(open->share & FILE_SHARE_DELETE);
  });
}

FileObject* Forget(FileObject* file) {
  auto& files = OpenFiles();
  files.erase(std::remove(files.begin(), files.end(), file), files.end());
  return file;
}

// Splits a search specification at its last separator: the directory to search (as text for the path
// parser) and the pattern written after it. "C:*.sys" searches the drive's current directory.
void SplitSearch(const std::string& text, std::string* directory, std::string* pattern) {
  size_t separator = text.find_last_of("\\/");
  if (separator == std::string::npos) {
    bool drive = text.size() >= 2 && text[1] == ':';
    *directory = drive ? text.substr(0, 2) : std::string(".");
    *pattern = drive ? text.substr(2) : text;
    return;
  }
  *directory = separator == 0 ? text.substr(0, 1) : text.substr(0, separator);
  if (directory->size() == 2 && (*directory)[1] == ':') *directory += "\\";
  *pattern = text.substr(separator + 1);
}

WIN32_FIND_DATAA EntryFor(const std::string& name, const std::string& host) {
  WIN32_FIND_DATAA data;
  memset(&data, 0, sizeof data);
  struct stat info;
  if (stat(host.c_str(), &info) == 0) {
    data.dwFileAttributes = S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    data.nFileSizeLow = static_cast<DWORD>(info.st_size);
    data.nFileSizeHigh = static_cast<DWORD>(static_cast<uint64_t>(info.st_size) >> 32);
  }
  strncpy(data.cFileName, name.c_str(), MAX_PATH - 1);
  strncpy(data.cAlternateFileName, winsim::detail::ShortNameOf(name).c_str(), sizeof data.cAlternateFileName - 1);
  return data;
}

bool CopyHostFile(const std::string& from, const std::string& to) {
  std::error_code error;
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, error);
  return !error;
}

}  // namespace

extern "C" {

HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES, DWORD disposition,
                          DWORD, HANDLE) {
  ApiCall call("CreateFileA", Arg(fileName) + " access=" + winsim::detail::Hex(access) +
                                  " share=" + std::to_string(shareMode) + " disposition=" + std::to_string(disposition));
  (void)registered;
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
  if (!CopyHostFile(fromHost, toHost)) {
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
  if (unlink(host.c_str()) != 0) {
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
  if (existence == Existence::MissingParent || mkdir(host.c_str(), 0755) != 0) {
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
  if (rmdir(host.c_str()) != 0) {
    SetLastError(ERROR_DIR_NOT_EMPTY);
    return FALSE;
  }
  return TRUE;
}

HANDLE WINAPI FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findData) {
  ApiCall call("FindFirstFileA", Arg(fileName));
  if (call.Fault()) return INVALID_HANDLE_VALUE;
  if (fileName == nullptr || findData == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::string directoryText, pattern;
  SplitSearch(fileName, &directoryText, &pattern);
  if (pattern == "." || pattern == "..") {
    // Not a pattern but a path: the entry it names is searched for in its parent.
    WindowsPath named = ParsePath(fileName);
    if (!named.valid || named.device || named.components.empty()) {
      SetLastError(named.valid ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_NAME);
      return INVALID_HANDLE_VALUE;
    }
    pattern = named.components.back();
    named.components.pop_back();
    directoryText = named.Text();
  }
  WindowsPath directory = ParsePath(directoryText.c_str());
  if (!directory.valid || directory.device || pattern.find_first_of("|:") != std::string::npos) {
    SetLastError(ERROR_INVALID_NAME);
    return INVALID_HANDLE_VALUE;
  }
  std::string host = winsim::detail::HostPathOf(directory);
  Existence searched = Probe(host);
  if (searched != Existence::Directory) {
    SetLastError(searched == Existence::File ? ERROR_DIRECTORY : ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  // A drive's root has no entries for itself and its parent; every other directory lists them first.
  std::vector<std::string> names;
  if (!directory.components.empty()) {
    names.push_back(".");
    names.push_back("..");
  }
  std::vector<std::string> children;
  if (DIR* dir = opendir(host.c_str())) {
    while (dirent* entry = readdir(dir)) {
      if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0) children.push_back(entry->d_name);
    }
    closedir(dir);
  }
  std::sort(children.begin(), children.end(),
            [](const std::string& a, const std::string& b) {
              return winsim::detail::Upper(a) < winsim::detail::Upper(b);
            });
  names.insert(names.end(), children.begin(), children.end());
  std::string expression = winsim::detail::DosExpression(pattern);
  auto find = std::make_shared<FindObject>();
  for (const std::string& name : names) {
    if (!expression.empty() && winsim::detail::MatchesDosExpression(expression, name))
      find->entries.push_back(EntryFor(name, host + "/" + name));
  }
  if (find->entries.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  *findData = find->entries[0];
  find->next = 1;
  SetLastError(ERROR_SUCCESS);
  return Handles().Add(find);
}

BOOL WINAPI FindNextFileA(HANDLE handle, LPWIN32_FIND_DATAA findData) {
  ApiCall call("FindNextFileA");
  if (call.Fault()) return FALSE;
  auto find = Handles().Get<FindObject>(handle, HandleKind::Find);
  if (!find || findData == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (find->next >= find->entries.size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  *findData = find->entries[find->next++];
  return TRUE;
}

BOOL WINAPI FindClose(HANDLE handle) {
  ApiCall call("FindClose");
  if (call.Fault()) return FALSE;
  if (!Handles().Get<FindObject>(handle, HandleKind::Find)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Handles().Remove(handle);
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

namespace winsim {

bool WriteHostFile(const std::string& windowsPath, const std::string& bytes) {
  std::string host = HostPath(windowsPath);
  if (host.empty()) return false;
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(host).parent_path(), ignored);
  FILE* file = fopen(host.c_str(), "wb");
  if (!file) return false;
  bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return fclose(file) == 0 && ok;
}

bool ReadHostFile(const std::string& windowsPath, std::string* bytes) {
  std::string host = HostPath(windowsPath);
  FILE* file = host.empty() ? nullptr : fopen(host.c_str(), "rb");
  if (!file) return false;
  bytes->clear();
  char chunk[4096];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) bytes->append(chunk, got);
  fclose(file);
  return true;
}

bool HostFileExists(const std::string& windowsPath) {
  std::string host = HostPath(windowsPath);
  struct stat info;
  return !host.empty() && stat(host.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace winsim
