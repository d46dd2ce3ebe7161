// GetPrivateProfileIntA over INI files on the simulated drives, with Windows' lookup and parsing rules.
#include <cstring>

#include "api_call.h"
#include "machine_state.h"
#include "paths.h"

using winsim::detail::ApiCall;
using winsim::detail::Arg;
using winsim::detail::EqualNoCase;

namespace {

std::string Trim(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return std::string();
  size_t end = text.find_last_not_of(" \t\r\n");
  return text.substr(begin, end - begin + 1);
}

// A bare file name is looked up in the Windows directory; anything with a path separator is taken as it is.
std::string ProfilePath(const char* fileName) {
  std::string name = fileName ? fileName : "win.ini";
  if (name.find_first_of("\\/") == std::string::npos && !(name.size() >= 2 && name[1] == ':'))
    return winsim::WindowsDirectory() + "\\" + name;
  return name;
}

// The profile's text, opened as the profile functions open it: the open's error stays on the thread,
// although the call itself succeeds (it answers the default): 0 once the file opened, ERROR_FILE_NOT_FOUND
// or ERROR_PATH_NOT_FOUND for a file or folder that is not there, ERROR_ACCESS_DENIED for a folder.
bool ReadProfile(const std::string& path, std::string* contents) {
  using winsim::detail::HostEntry;
  HostEntry entry = winsim::detail::ProbeHostPath(winsim::HostPath(path));
  bool read = entry == HostEntry::File && winsim::ReadHostFile(path, contents);
  DWORD error = read ? ERROR_SUCCESS
                : entry == HostEntry::Directory || entry == HostEntry::File ? ERROR_ACCESS_DENIED
                                                                            : winsim::detail::MissingPathError(entry);
  winsim::detail::SetLastErrorOfSuccess(error);
  return read;
}

bool FindValue(const std::string& contents, const std::string& section, const std::string& key, std::string* value) {
  bool inSection = false;
  size_t position = 0;
  while (position <= contents.size()) {
    size_t end = contents.find('\n', position);
    if (end == std::string::npos) end = contents.size();
    std::string line = Trim(contents.substr(position, end - position));
    position = end + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t close = line.find(']');
      inSection = EqualNoCase(Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)), section);
      continue;
    }
    size_t equals = line.find('=');
    if (!inSection || equals == std::string::npos) continue;
    if (EqualNoCase(Trim(line.substr(0, equals)), key)) {
      *value = Trim(line.substr(equals + 1));
      if (value->size() >= 2 && (value->front() == '"' || value->front() == '\'') && value->back() == value->front())
        *value = value->substr(1, value->size() - 2);
      return true;
    }
  }
  return false;
}

// The integer conversion Windows applies to a profile value (RtlUnicodeStringToInteger with base 0):
// leading control characters and blanks, an optional sign, then decimal digits or a number behind a
// lower-case 0x, 0o or 0b prefix, up to the first character that does not belong.
UINT ParseProfileInt(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  unsigned base = 10;
  if (i + 1 < text.size() && text[i] == '0') {
    if (text[i + 1] == 'x') base = 16;
    if (text[i + 1] == 'o') base = 8;
    if (text[i + 1] == 'b') base = 2;
    if (base != 10) i += 2;
  }
  UINT value = 0;
  for (; i < text.size(); ++i) {
    int c = tolower(static_cast<unsigned char>(text[i]));
    unsigned digit = (c >= '0' && c <= '9') ? static_cast<unsigned>(c - '0')
                     : (c >= 'a' && c <= 'z') ? static_cast<unsigned>(c - 'a' + 10) : 99;
    if (digit >= base) break;
    value = value * base + digit;
  }
  return negative ? 0u - value : value;
}

}  // namespace

extern "C" {

UINT WINAPI GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName) {
  ApiCall call("GetPrivateProfileIntA", Arg(section) + " " + Arg(key) + " " + Arg(fileName));
  if (call.Fault() || section == nullptr || key == nullptr) return static_cast<UINT>(defaultValue);
  std::string contents;
  std::string value;
  if (!ReadProfile(ProfilePath(fileName), &contents) || !FindValue(contents, section, key, &value) ||
      value.empty())
    return static_cast<UINT>(defaultValue);
  return ParseProfileInt(value);
}

BOOL WINAPI WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName) {
  ApiCall call("WritePrivateProfileStringA", Arg(section) + " " + Arg(key) + " " + Arg(fileName));
  if (call.Fault() || section == nullptr) return FALSE;
  // Enough for tests and tools: appends the section and key; readers take the first match.
  std::string path = ProfilePath(fileName);
  std::string contents;
  winsim::ReadHostFile(path, &contents);
  std::string existing;
  if (key && value && FindValue(contents, section, key, &existing) && existing == value) return TRUE;
  if (!contents.empty() && contents.back() != '\n') contents += "\r\n";
  contents = std::string("[") + section + "]\r\n" + (key ? std::string(key) + "=" + (value ? value : "") + "\r\n" : "") +
             contents;
  return winsim::WriteHostFile(path, contents) ? TRUE : FALSE;
}

}  // extern "C"
