// Directory searches: FindFirstFileA, FindNextFileA and FindClose, matching names with DOS wildcards.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "api_call.h"
#include "dos_wildcards.h"
#include "file_objects.h"
#include "handles.h"
#include "machine_state.h"
#include "paths.h"

using winsim::HandleKind;
using winsim::detail::ApiCall;
using winsim::detail::Arg;
using winsim::detail::Existence;
using winsim::detail::Handles;
using winsim::detail::HandleObject;
using winsim::detail::ParsePath;
using winsim::detail::Probe;
using winsim::detail::WindowsPath;

namespace {

struct FindObject : HandleObject {
  HandleKind Kind() const override { return HandleKind::Find; }
  std::vector<WIN32_FIND_DATAA> entries;
  size_t next = 0;
};

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

}  // namespace

extern "C" {

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

}  // extern "C"
