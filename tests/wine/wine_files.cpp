#include "wine_files.h"

#include <windows.h>

#include <atomic>
#include <vector>

#include "generic/win_handles.h"

namespace winetest {

using basetdic::UniqueFile;
using basetdic::UniqueFind;

std::string ProgramDirectory() {
  std::vector<char> path(MAX_PATH);
  for (;;) {
    DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::string();
    if (length < path.size()) return ParentOf(std::string(path.data(), length));
    path.resize(path.size() * 2);
  }
}

std::string ParentOf(const std::string& path) {
  size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool CreateFolderTree(const std::string& folder) {
  DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  std::string parent = ParentOf(folder);
  // "C:" is the end of the climb: a drive root always exists.
  if (parent.size() > 2 && !CreateFolderTree(parent)) return false;
  return CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

std::string OutermostMissingFolder(const std::string& path) {
  std::string missing;
  for (std::string folder = path; folder.size() > 2 && !FileExists(folder); folder = ParentOf(folder))
    missing = folder;
  return missing;
}

bool DeleteTree(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if (attributes & FILE_ATTRIBUTE_READONLY)
    SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return DeleteFileA(path.c_str()) != 0;

  WIN32_FIND_DATAA entry;
  UniqueFind find(FindFirstFileA((path + "\\*").c_str(), &entry));
  bool emptied = true;
  if (find) {
    do {
      std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      emptied = DeleteTree(path + "\\" + name) && emptied;
    } while (FindNextFileA(find.get(), &entry));
  }
  find.reset();
  return RemoveDirectoryA(path.c_str()) != 0 && emptied;
}

bool ReadWholeFile(const std::string& path, std::string* contents) {
  UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  contents->clear();
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file.get(), chunk, sizeof(chunk), &got, nullptr) && got > 0) contents->append(chunk, got);
  return true;
}

bool WriteWholeFile(const std::string& path, const std::string& contents) {
  UniqueFile file(
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return WriteFile(file.get(), contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr) &&
         written == contents.size();
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string UniqueName(const std::string& prefix) {
  static std::atomic<unsigned> sequence{0};
  return prefix + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++sequence);
}

}  // namespace winetest
