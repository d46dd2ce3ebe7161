// The file part of a snapshot: every file below the scope's folders, found with FindFirstFileA, with a
// digest of its contents and its version.
#include <windows.h>

#include "generic/proc_address.h"
#include "generic/win_handles.h"
#include "observe/file_version.h"
#include "observe/snapshot.h"

namespace host {
namespace {

// FNV-1a over the file's bytes: enough to tell a replaced file from an untouched one.
uint64_t ContentDigest(const std::string& path) {
  basetdic::UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 0;
  uint64_t digest = 14695981039346656037ull;
  char buffer[16384];
  DWORD read = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
    for (DWORD i = 0; i < read; ++i) {
      digest ^= static_cast<unsigned char>(buffer[i]);
      digest *= 1099511628211ull;
    }
  }
  return digest;
}

void ReadFolder(const SnapshotScope& scope, const std::string& folder, bool recursive, const std::string& skipLower,
                Snapshot* snapshot) {
  WIN32_FIND_DATAA found;
  std::string prefix = folder.empty() || folder.back() == '\\' ? folder : folder + "\\";
  basetdic::UniqueFind find(FindFirstFileA((prefix + "*").c_str(), &found));
  if (!find) return;
  std::vector<std::string> subfolders;
  do {
    std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    std::string path = prefix + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (recursive) subfolders.push_back(path);
      continue;
    }
    std::string key = LowerAscii(path);
    if (key == skipLower) continue;
    FileState file;
    file.path = path;
    file.size = (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    if (scope.recallFileContent == nullptr || !scope.recallFileContent(path, file.size, &file.digest, &file.version)) {
      file.digest = ContentDigest(path);
      file.version = FileVersionText(path);
      if (scope.rememberFileContent != nullptr) scope.rememberFileContent(path, file.size, file.digest, file.version);
    }
    snapshot->files[key] = file;
  } while (FindNextFileA(find.get(), &found));
  for (const std::string& subfolder : subfolders) ReadFolder(scope, subfolder, true, skipLower, snapshot);
}

// A 32-bit process on 64-bit Windows sees system32 redirected to SysWOW64; the snapshot wants the files
// where they really are, under their own names. The functions are looked up because older Windows lacks
// them.
class RedirectionOff {
 public:
  RedirectionOff() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    disable_ = basetdic::ProcAddress<Toggle>(kernel, "Wow64DisableWow64FsRedirection");
    revert_ = basetdic::ProcAddress<Revert>(kernel, "Wow64RevertWow64FsRedirection");
    disabled_ = disable_ && revert_ && disable_(&previous_);
  }
  ~RedirectionOff() {
    if (disabled_) revert_(previous_);
  }
  RedirectionOff(const RedirectionOff&) = delete;
  RedirectionOff& operator=(const RedirectionOff&) = delete;

 private:
  using Toggle = BOOL(WINAPI*)(PVOID*);
  using Revert = BOOL(WINAPI*)(PVOID);
  Toggle disable_ = nullptr;
  Revert revert_ = nullptr;
  PVOID previous_ = nullptr;
  bool disabled_ = false;
};

}  // namespace

void SnapshotFiles(const SnapshotScope& scope, Snapshot* snapshot) {
  RedirectionOff redirectionOff;
  for (const SnapshotScope::Folder& folder : scope.folders) {
    ReadFolder(scope, folder.path, folder.recursive, LowerAscii(scope.traceFile), snapshot);
  }
}

}  // namespace host
