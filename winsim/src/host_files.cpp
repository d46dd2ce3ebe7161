// Machine control: writing, reading and probing the simulated machine's files from the host.
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "paths.h"
#include "winsim/machine.h"

namespace winsim {

bool WriteHostFile(const std::string& windowsPath, const std::string& bytes) {
  std::string host = HostPath(windowsPath);
  if (host.empty()) return false;
  if (!detail::CreateHostFolders(std::filesystem::path(host).parent_path().string()) ||
      !detail::MayChangeHostPath(host))
    return false;
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
