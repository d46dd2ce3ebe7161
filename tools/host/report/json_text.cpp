#include "report/json_text.h"

#include <cstdio>

#ifdef _WIN32
#include <windows.h>

#include <vector>
#endif

namespace host {
namespace {

// The length of the valid UTF-8 sequence at text[at] (shortest form, no surrogates, at most U+10FFFF);
// 0 when none starts there.
size_t Utf8SequenceAt(const std::string& text, size_t at) {
  const unsigned char lead = static_cast<unsigned char>(text[at]);
  if (lead < 0x80) return 1;
  size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
  if (length == 0 || at + length > text.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return 0;
  }
  const unsigned char second = static_cast<unsigned char>(text[at + 1]);
  if (lead == 0xE0 && second < 0xA0) return 0;  // overlong
  if (lead == 0xED && second > 0x9F) return 0;  // surrogate
  if (lead == 0xF0 && second < 0x90) return 0;  // overlong
  if (lead == 0xF4 && second > 0x8F) return 0;  // above U+10FFFF
  return length;
}

std::string Utf8OrEscaped(const std::string& bytes) {
  std::string text;
  for (size_t at = 0; at < bytes.size();) {
    size_t length = Utf8SequenceAt(bytes, at);
    if (length == 0) {
      char escaped[8];
      snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned char>(bytes[at]));
      text += escaped;
      ++at;
    } else {
      text.append(bytes, at, length);
      at += length;
    }
  }
  return text;
}

#ifdef _WIN32
// The ANSI code page's text as UTF-8, through UTF-16; false when Windows cannot convert it.
bool FromAnsiCodePage(const std::string& bytes, std::string* text) {
  if (bytes.empty()) return text->clear(), true;
  int wide = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (wide <= 0) return false;
  std::vector<wchar_t> units(static_cast<size_t>(wide));
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), units.data(), wide);
  int narrow = WideCharToMultiByte(CP_UTF8, 0, units.data(), wide, nullptr, 0, nullptr, nullptr);
  if (narrow <= 0) return false;
  text->assign(static_cast<size_t>(narrow), '\0');
  WideCharToMultiByte(CP_UTF8, 0, units.data(), wide, &(*text)[0], narrow, nullptr, nullptr);
  return true;
}
#endif

}  // namespace

std::string JsonText(const std::string& bytes) {
  bool ascii = true;
  for (char c : bytes) ascii &= static_cast<unsigned char>(c) < 0x80;
  if (ascii) return bytes;
#ifdef _WIN32
  std::string text;
  if (FromAnsiCodePage(bytes, &text)) return text;
#endif
  return Utf8OrEscaped(bytes);
}

}  // namespace host
