#include "file_version.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "steps/file_version.h"

namespace host {
namespace {

// The host links version.dll itself, so nothing is loaded and the reader works while a snapshot has
// WOW64 redirection switched off.
const basetdic::VersionReader::Functions kLinkedFunctions = {&GetFileVersionInfoSizeA, &GetFileVersionInfoA,
                                                              &VerQueryValueA};

}  // namespace

std::string FileVersionText(const std::string& path) {
  const basetdic::VersionReader reader(kLinkedFunctions);
  const basetdic::FileVersion version = reader.ReadVersion(path.c_str());
  if (!version.HasResource()) return "";
  if (version.Text() != nullptr) {
    std::string text(version.Text(), strnlen(version.Text(), version.TextLength()));
    if (!text.empty()) return text;
  }
  DWORD mostSignificant = 0, leastSignificant = 0;
  if (!version.FixedFileVersion(&mostSignificant, &leastSignificant)) return "";
  char text[48];
  snprintf(text, sizeof text, "%u.%u.%u.%u", static_cast<unsigned>(mostSignificant >> 16),
           static_cast<unsigned>(mostSignificant & 0xFFFF), static_cast<unsigned>(leastSignificant >> 16),
           static_cast<unsigned>(leastSignificant & 0xFFFF));
  return text;
}

}  // namespace host
