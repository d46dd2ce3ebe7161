#include "observe/file_version.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "steps/file_version.h"

namespace host {
namespace {

// The host links version.dll itself, so nothing is loaded and the reader works while a snapshot has
// WOW64 redirection switched off.
const basetdic::VersionReader::Functions kLinkedFunctions = {&GetFileVersionInfoSizeA, &GetFileVersionInfoA,
                                                              &VerQueryValueA};

std::string TextOf(const basetdic::FileVersion& version) {
  if (version.Text() == nullptr) return "";
  return std::string(version.Text(), strnlen(version.Text(), version.TextLength()));
}

std::string FixedTextOf(const basetdic::FileVersion& version) {
  DWORD mostSignificant = 0, leastSignificant = 0;
  if (!version.FixedFileVersion(&mostSignificant, &leastSignificant)) return "";
  char text[48];
  snprintf(text, sizeof text, "%u.%u.%u.%u", static_cast<unsigned>(mostSignificant >> 16),
           static_cast<unsigned>(mostSignificant & 0xFFFF), static_cast<unsigned>(leastSignificant >> 16),
           static_cast<unsigned>(leastSignificant & 0xFFFF));
  return text;
}

// A string of the string table for language and codePage, read from the file's version block; empty when
// the table has none.
std::string StringOfTable(const std::string& path, uint16_t language, uint16_t codePage, const char* name) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) return "";
  std::vector<char> block(size);
  if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return "";
  char query[64];
  snprintf(query, sizeof query, "\\StringFileInfo\\%04x%04x\\%s", static_cast<unsigned>(language),
           static_cast<unsigned>(codePage), name);
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), query, &value, &length) || value == nullptr || length == 0) return "";
  const char* text = static_cast<const char*>(value);
  return std::string(text, strnlen(text, length));
}

}  // namespace

std::string FileVersionText(const std::string& path) {
  const basetdic::VersionReader reader(kLinkedFunctions);
  const basetdic::FileVersion version = reader.ReadVersion(path.c_str());
  if (!version.HasResource()) return "";
  std::string text = TextOf(version);
  return text.empty() ? FixedTextOf(version) : text;
}

bool ReadVersionFacts(const std::string& path, VersionFacts* facts) {
  const basetdic::VersionReader reader(kLinkedFunctions);
  const basetdic::FileVersion version = reader.ReadVersion(path.c_str());
  if (!version.HasResource()) return false;
  facts->fileVersion = TextOf(version);
  facts->fixedVersion = FixedTextOf(version);
  if (version.Pair() >= 0) {
    facts->productVersion = StringOfTable(path, version.Language(), version.CodePage(), "ProductVersion");
  }
  return true;
}

}  // namespace host
