#include "report/value_text.h"

#include <cstdio>

namespace host {
namespace {

std::string ByteCount(size_t count) { return std::to_string(count) + (count == 1 ? " byte" : " bytes"); }

std::string SpacedHex(const std::string& data) {
  std::string text;
  for (size_t i = 0; i < data.size(); ++i) {
    char byte[4];
    snprintf(byte, sizeof byte, "%02x", static_cast<unsigned char>(data[i]));
    if (i) text += ' ';
    text += byte;
  }
  return text;
}

}  // namespace

std::string QuotedText(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte > 0x7E) {
      char escaped[8];
      snprintf(escaped, sizeof escaped, "\\x%02x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

bool SplitMultiText(const std::string& data, std::vector<std::string>* items) {
  items->clear();
  if (data.empty()) return true;
  if (data.size() == 1) return data[0] == '\0';
  if (data.size() < 2 || data[data.size() - 1] != '\0' || data[data.size() - 2] != '\0') return false;
  size_t position = 0;
  while (position + 1 < data.size()) {
    size_t end = data.find('\0', position);
    items->push_back(data.substr(position, end - position));
    position = end + 1;
  }
  return true;
}

std::string HexBytes(const std::string& data) {
  std::string text;
  for (char c : data) {
    char byte[4];
    snprintf(byte, sizeof byte, "%02x", static_cast<unsigned char>(c));
    text += byte;
  }
  return text;
}

std::string RegistryDataText(DWORD type, const std::string& data) {
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    size_t firstZero = data.find('\0');
    if (firstZero == data.size() - 1 && !data.empty()) return QuotedText(data.substr(0, firstZero));
    if (firstZero == std::string::npos) return QuotedText(data) + " (" + ByteCount(data.size()) + ", no terminator)";
  }
  if (type == REG_MULTI_SZ) {
    std::vector<std::string> items;
    if (SplitMultiText(data, &items)) {
      if (items.empty()) return "(empty list, " + ByteCount(data.size()) + ")";
      std::string text;
      for (const std::string& item : items) text += (text.empty() ? "" : ", ") + QuotedText(item);
      return text;
    }
  }
  if (type == REG_DWORD && data.size() == 4) {
    unsigned long value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(data[static_cast<size_t>(i)]);
    char text[40];
    snprintf(text, sizeof text, "0x%08lx (%lu)", value, value);
    return text;
  }
  if (data.empty()) return "(no data)";
  return SpacedHex(data) + " (" + ByteCount(data.size()) + ")";
}

}  // namespace host
