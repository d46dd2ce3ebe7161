#include "report/error_words.h"

#include <cstdint>
#include <cstdlib>

namespace host {
namespace {

struct Meaning {
  DWORD error;
  const char* words;
};

// Every error winsim gives, those the fault sweep injects, and those Windows and Wine give the library's
// calls (driver loads, version resources, the service manager).
const Meaning kMeanings[] = {
    {1, "the function is not valid here"},
    {2, "the file or key does not exist"},
    {3, "the path does not exist"},
    {4, "too many files are open"},
    {5, "access is denied"},
    {6, "the handle is not valid"},
    {8, "not enough memory"},
    {11, "the program is in a format Windows cannot load"},
    {13, "the data is not valid"},
    {14, "not enough memory for the operation"},
    {18, "no more files"},
    {21, "the device is not ready"},
    {29, "the device cannot be written to"},
    {30, "the device cannot be read from"},
    {31, "a device attached to the system is not working"},
    {32, "the file is in use"},
    {33, "part of the file is locked by another process"},
    {39, "the disk is full"},
    {50, "the request is not supported"},
    {80, "the file exists"},
    {87, "a parameter is not valid"},
    {112, "there is not enough space on the disk"},
    {120, "this Windows does not have the function"},
    {122, "the buffer is too small"},
    {123, "the name is not valid"},
    {126, "the module was not found"},
    {127, "the procedure was not found"},
    {145, "the folder is not empty"},
    {161, "the path is not valid"},
    {183, "it already exists"},
    {193, "not a valid program for this Windows (a 32-bit and 64-bit mismatch, or not a program)"},
    {206, "the name is too long"},
    {234, "more data is available"},
    {258, "the wait timed out"},
    {259, "no more items"},
    {267, "the name is not a folder"},
    {288, "the caller does not own the mutex"},
    {487, "the address is not valid"},
    {577, "Windows cannot verify the file's digital signature"},
    {998, "the memory cannot be accessed"},
    {1009, "the registry database is corrupt"},
    {1010, "the registry key is not valid"},
    {1011, "the registry key cannot be opened"},
    {1012, "the registry key cannot be read"},
    {1013, "the registry key cannot be written"},
    {1018, "the registry key is marked for deletion"},
    {1051, "services that depend on it are running"},
    {1052, "the control is not valid for this service"},
    {1053, "the service did not answer in time"},
    {1056, "the service is already running"},
    {1057, "the service's account is not valid"},
    {1058, "the service is disabled"},
    {1059, "the service dependencies form a circle"},
    {1060, "the service does not exist"},
    {1061, "the service cannot accept the control now"},
    {1062, "the service has not been started"},
    {1065, "the service database does not exist"},
    {1068, "a service it depends on did not start"},
    {1072, "the service is marked for deletion"},
    {1073, "the service already exists"},
    {1077, "the service has never been started"},
    {1078, "the display name is taken by another service"},
    {1114, "the driver or library failed to initialise"},
    {1155, "no program is associated with the file"},
    {1213, "the service name is not valid"},
    {1275, "Windows blocked the driver from loading"},
    {1460, "the operation timed out"},
    {1722, "the machine cannot be reached"},
    {1812, "the file has no version resource"},
    {1813, "the file has no resource of that type"},
    {1814, "the file has no resource of that name"},
    {1815, "the file has no resource in that language"},
};

// The system's message for an error the table has not: what FormatMessageA gives, without its final
// full stop and line end; empty where there is none (or no system to ask).
std::string SystemErrorWords(DWORD error) {
#ifdef _WIN32
  char text[512];
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                                sizeof text, nullptr);
  std::string words(text, length < sizeof text ? length : 0);
  while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' ' || words.back() == '.'))
    words.pop_back();
  for (char& c : words) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  // "The system cannot find ..." reads "the system cannot find ..." after the number; "DLL ..." stays.
  if (words.size() > 1 && words[0] >= 'A' && words[0] <= 'Z' && words[1] >= 'a' && words[1] <= 'z')
    words[0] = static_cast<char>(words[0] - 'A' + 'a');
  return words;
#else
  (void)error;
  return "";
#endif
}

// The registry's predefined keys, by the low 32 bits of their handle values.
const char* PredefinedKeyName(uint32_t handle) {
  switch (handle) {
    case 0x80000000u: return "HKCR";
    case 0x80000001u: return "HKCU";
    case 0x80000002u: return "HKLM";
    case 0x80000003u: return "HKU";
    case 0x80000004u: return "HKEY_PERFORMANCE_DATA";
    case 0x80000005u: return "HKCC";
    case 0x80000006u: return "HKEY_DYN_DATA";
    default: return nullptr;
  }
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// The key's name when token is a predefined key's handle as a pointer or a sign-extended number prints
// it: 0x80000002, 0xffffffff80000002, 80000002, FFFFFFFF80000002, 0000000080000002.
const char* PredefinedKeyToken(const std::string& token) {
  std::string digits = token.rfind("0x", 0) == 0 || token.rfind("0X", 0) == 0 ? token.substr(2) : token;
  if ((digits.size() != 8 && digits.size() != 16) || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
    return nullptr;
  uint64_t value = std::strtoull(digits.c_str(), nullptr, 16);
  uint32_t high = static_cast<uint32_t>(value >> 32);
  if (high != 0 && high != 0xFFFFFFFFu) return nullptr;
  return PredefinedKeyName(static_cast<uint32_t>(value));
}

}  // namespace

std::string OwnErrorWords(DWORD error) {
  for (const Meaning& meaning : kMeanings) {
    if (meaning.error == error) return meaning.words;
  }
  return "";
}

std::string ErrorWords(DWORD error) {
  std::string words = OwnErrorWords(error);
  if (words.empty()) words = SystemErrorWords(error);
  return words.empty() ? std::to_string(error) : std::to_string(error) + ", " + words;
}

std::string ReadableCallArguments(const std::string& arguments) {
  std::string readable;
  size_t at = 0;
  bool quoted = false;
  while (at < arguments.size()) {
    char c = arguments[at];
    // A token starts after a blank, a comma, a parenthesis or the start, outside quoted text.
    bool tokenStart = !quoted && (at == 0 || arguments[at - 1] == ' ' || arguments[at - 1] == ',' ||
                                  arguments[at - 1] == '(');
    if (tokenStart && IsHexDigit(c)) {
      size_t end = at;
      while (end < arguments.size() && (IsHexDigit(arguments[end]) || arguments[end] == 'x' || arguments[end] == 'X')) ++end;
      bool tokenEnds = end == arguments.size() || arguments[end] == ' ' || arguments[end] == ',' || arguments[end] == ')';
      const char* name = tokenEnds ? PredefinedKeyToken(arguments.substr(at, end - at)) : nullptr;
      if (name != nullptr) {
        readable += name;
        at = end;
        continue;
      }
    }
    if (c == '"') quoted = !quoted;
    readable += c;
    ++at;
  }
  return readable;
}

}  // namespace host
