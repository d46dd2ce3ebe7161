#include "observe/file_version.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace host {
namespace {

std::string StringValue(const std::vector<char>& block, const std::string& subBlock) {
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), subBlock.c_str(), &value, &length) || value == nullptr || length == 0) return "";
  const char* text = static_cast<const char*>(value);
  return std::string(text, strnlen(text, length));
}

// The fixed part's file version: dwFileVersionMS and dwFileVersionLS, the third and fourth words.
std::string FixedVersion(const std::vector<char>& block) {
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), "\\", &value, &length) || value == nullptr || length < 16) return "";
  DWORD words[4];
  memcpy(words, value, sizeof words);
  char text[48];
  snprintf(text, sizeof text, "%u.%u.%u.%u", static_cast<unsigned>(words[2] >> 16), static_cast<unsigned>(words[2] & 0xFFFF),
           static_cast<unsigned>(words[3] >> 16), static_cast<unsigned>(words[3] & 0xFFFF));
  return text;
}

}  // namespace

std::string FileVersionText(const std::string& path) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) return "";
  std::vector<char> block(size);
  if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return "";
  void* translation = nullptr;
  UINT length = 0;
  if (VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &translation, &length) && translation && length >= 4) {
    WORD pair[2];
    memcpy(pair, translation, sizeof pair);
    char subBlock[64];
    snprintf(subBlock, sizeof subBlock, "\\StringFileInfo\\%04x%04x\\FileVersion", pair[0], pair[1]);
    std::string text = StringValue(block, subBlock);
    if (!text.empty()) return text;
  }
  return FixedVersion(block);
}

}  // namespace host
