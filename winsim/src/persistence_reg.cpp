// The registry as REGEDIT5 text: writing the whole tree out, and reading such a file back in place of it.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "api_call.h"
#include "machine_state.h"
#include "registry_tree.h"
#include "winsim/persistence.h"

namespace winsim {
namespace {

using detail::RegNode;

const char kRegHeader[] = "Windows Registry Editor Version 5.00";
const char kRegHeader4[] = "REGEDIT4";
// Hex lists wrap before this column, with regedit's ",\" continuation.
const size_t kHexWrapColumn = 76;

struct Root {
  const char* name;
  HKEY handle;
};

const Root kRoots[] = {{"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
                       {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                       {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
                       {"HKEY_USERS", HKEY_USERS}};

// ---- writing ----

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

bool IsPlainText(const std::string& data) {
  if (data.empty() || data.back() != '\0') return false;
  for (size_t i = 0; i + 1 < data.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(data[i]);
    if (c < 0x20 || c > 0x7E) return false;
  }
  return true;
}

void AppendHexList(std::string* line, const std::string& data) {
  size_t column = line->size();
  for (size_t i = 0; i < data.size(); ++i) {
    char byte[4];
    snprintf(byte, sizeof byte, "%02x", static_cast<unsigned char>(data[i]));
    *line += byte;
    column += 2;
    if (i + 1 == data.size()) break;
    *line += ',';
    ++column;
    if (column >= kHexWrapColumn) {
      *line += "\\\n  ";
      column = 2;
    }
  }
}

std::string ValueLine(const RegValue& value) {
  std::string line = value.name.empty() ? "@" : Quoted(value.name);
  line += '=';
  if (value.type == REG_SZ && IsPlainText(value.data)) return line + Quoted(value.data.substr(0, value.data.size() - 1));
  if (value.type == REG_DWORD && value.data.size() == 4) {
    char dword[24];
    snprintf(dword, sizeof dword, "dword:%08x", static_cast<unsigned>(DwordOf(value.data)));
    return line + dword;
  }
  if (value.type == REG_BINARY) {
    line += "hex:";
  } else {
    char prefix[24];
    snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(value.type));
    line += prefix;
  }
  AppendHexList(&line, value.data);
  return line;
}

void WriteKey(const RegNode& node, const std::string& path, bool isRoot, std::string* out) {
  if (!isRoot || !node.values.empty()) {
    *out += "[" + path + "]\n";
    for (const RegValue& value : node.values) *out += ValueLine(value) + "\n";
    *out += "\n";
  }
  for (const auto& child : node.children) WriteKey(*child.second, path + "\\" + child.second->name, false, out);
}

// ---- reading ----

// One change the file asks for, applied only once the whole file has been read without error.
struct RegEdit {
  enum class Kind { PutKey, DeleteKey, PutValue, DeleteValue } kind;
  std::string keyPath;
  RegValue value;
};

struct Line {
  std::string text;
  size_t number;
};

std::string TrimRight(const std::string& text) {
  size_t end = text.find_last_not_of(" \t\r\n");
  return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

std::string TrimLeft(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t");
  return begin == std::string::npos ? std::string() : text.substr(begin);
}

// A UTF-16LE export from Windows' own regedit becomes 8-bit text when every character fits a byte.
bool NarrowUtf16(const std::string& text, std::string* narrow) {
  narrow->clear();
  for (size_t i = 2; i + 1 < text.size(); i += 2) {
    if (text[i + 1] != '\0') return false;
    *narrow += text[i];
  }
  return true;
}

// Reads a quoted text starting at *at (which points at the opening quote); leaves *at behind the closing
// quote.
bool ReadQuoted(const std::string& line, size_t* at, std::string* text) {
  text->clear();
  size_t i = *at + 1;
  for (; i < line.size(); ++i) {
    char c = line[i];
    if (c == '"') {
      *at = i + 1;
      return true;
    }
    if (c == '\\' && i + 1 < line.size()) c = line[++i];
    *text += c;
  }
  return false;
}

// True for a value line whose data is a hex list, the only kind regedit continues over several lines.
bool IsHexValueLine(const std::string& line) {
  std::string content = TrimLeft(line);
  size_t at = 0;
  std::string name;
  if (content.empty()) return false;
  if (content[0] == '@') {
    at = 1;
  } else if (content[0] != '"' || !ReadQuoted(content, &at, &name)) {
    return false;
  }
  std::string rest = TrimLeft(content.substr(at));
  return !rest.empty() && rest[0] == '=' && TrimLeft(rest.substr(1)).compare(0, 3, "hex") == 0;
}

// Logical lines: continuation lines (a line ending in a backslash outside a quoted text) are joined.
std::vector<Line> LogicalLines(const std::string& text) {
  std::vector<Line> lines;
  size_t position = 0, number = 0;
  bool continuing = false;
  while (position < text.size()) {
    size_t end = text.find('\n', position);
    if (end == std::string::npos) end = text.size();
    std::string physical = TrimRight(text.substr(position, end - position));
    position = end + 1;
    ++number;
    if (continuing) {
      lines.back().text += TrimLeft(physical);
    } else {
      lines.push_back(Line{physical, number});
    }
    // Only the first line of a value says whether it is a hex list; asking again of the joined line at
    // every continuation would rescan it each time.
    const std::string& current = lines.back().text;
    continuing = !current.empty() && current.back() == '\\' && (continuing || IsHexValueLine(current));
    if (continuing) lines.back().text.pop_back();
  }
  return lines;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseHexList(const std::string& list, std::string* bytes) {
  bytes->clear();
  size_t i = 0;
  std::string trimmed;
  for (char c : list) {
    if (c != ' ' && c != '\t') trimmed += c;
  }
  while (i < trimmed.size()) {
    size_t comma = trimmed.find(',', i);
    std::string item = trimmed.substr(i, comma == std::string::npos ? std::string::npos : comma - i);
    if (item.empty() || item.size() > 2) return false;
    int value = 0;
    for (char c : item) {
      int digit = HexDigit(c);
      if (digit < 0) return false;
      value = value * 16 + digit;
    }
    *bytes += static_cast<char>(value);
    if (comma == std::string::npos) break;
    i = comma + 1;
    if (i == trimmed.size()) return false;
  }
  return true;
}

bool ParseHexNumber(const std::string& text, unsigned long long limit, unsigned long long* value) {
  if (text.empty() || text.size() > 16) return false;
  *value = 0;
  for (char c : text) {
    int digit = HexDigit(c);
    if (digit < 0) return false;
    *value = *value * 16 + static_cast<unsigned>(digit);
  }
  return *value <= limit;
}

// Parses the data after '=' into value (type and bytes); "-" asks for deletion.
bool ParseData(const std::string& data, RegValue* value, bool* deletion, std::string* problem) {
  *deletion = false;
  if (data == "-") {
    *deletion = true;
    return true;
  }
  if (!data.empty() && data[0] == '"') {
    size_t at = 0;
    std::string text;
    if (!ReadQuoted(data, &at, &text) || !TrimLeft(data.substr(at)).empty()) {
      *problem = "a quoted text must end with \" at the end of the line";
      return false;
    }
    value->type = REG_SZ;
    value->data = text + std::string(1, '\0');
    return true;
  }
  if (data.compare(0, 6, "dword:") == 0) {
    unsigned long long number = 0;
    if (!ParseHexNumber(data.substr(6), 0xFFFFFFFFull, &number)) {
      *problem = "dword: needs one to eight hex digits";
      return false;
    }
    value->type = REG_DWORD;
    value->data = DwordBytes(static_cast<DWORD>(number));
    return true;
  }
  if (data.compare(0, 3, "hex") == 0) {
    size_t colon = data.find(':');
    std::string typeText = data.substr(3, colon == std::string::npos ? std::string::npos : colon - 3);
    unsigned long long type = REG_BINARY;
    if (colon == std::string::npos ||
        (!typeText.empty() && (typeText.size() < 3 || typeText.front() != '(' || typeText.back() != ')' ||
                               !ParseHexNumber(typeText.substr(1, typeText.size() - 2), 0xFFFFFFFFull, &type)))) {
      *problem = "expected hex: or hex(type): before the bytes";
      return false;
    }
    if (!ParseHexList(data.substr(colon + 1), &value->data)) {
      *problem = "hex bytes must be two-digit hex numbers separated by commas";
      return false;
    }
    value->type = static_cast<DWORD>(type);
    return true;
  }
  *problem = "a value's data is \"text\", dword:, hex: or hex(type):";
  return false;
}

bool ParseRegText(const std::string& input, std::vector<RegEdit>* edits, std::string* error) {
  std::string text = input;
  std::string narrow;
  if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFF && static_cast<unsigned char>(text[1]) == 0xFE) {
    if (!NarrowUtf16(text, &narrow)) {
      *error = "registry file: UTF-16 text with characters beyond 8 bits cannot be loaded";
      return false;
    }
    text = narrow;
  }
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text = text.substr(3);

  std::vector<Line> lines = LogicalLines(text);
  bool headerSeen = false;
  std::string currentKey;
  auto fail = [&](const Line& line, const std::string& problem) {
    *error = "registry file line " + std::to_string(line.number) + ": " + problem;
    return false;
  };
  for (const Line& line : lines) {
    std::string content = TrimLeft(line.text);
    if (content.empty() || content[0] == ';') continue;
    if (!headerSeen) {
      if (content != kRegHeader && content != kRegHeader4)
        return fail(line, std::string("expected the header \"") + kRegHeader + "\"");
      headerSeen = true;
      continue;
    }
    if (content[0] == '[') {
      size_t close = content.rfind(']');
      if (close == std::string::npos || close < 2) return fail(line, "a key section is [HKEY_...\\path]");
      std::string path = content.substr(1, close - 1);
      bool deletion = path[0] == '-';
      if (deletion) path = path.substr(1);
      std::string rest;
      if (!detail::RootOfPath(path, &rest)) return fail(line, "unknown root key in [" + path + "]");
      edits->push_back(RegEdit{deletion ? RegEdit::Kind::DeleteKey : RegEdit::Kind::PutKey, path, RegValue{}});
      currentKey = deletion ? std::string() : path;
      continue;
    }
    if (currentKey.empty()) return fail(line, "a value line needs a [key] section above it");
    RegValue value;
    size_t at = 0;
    if (content[0] == '@') {
      at = 1;
    } else if (content[0] == '"') {
      if (!ReadQuoted(content, &at, &value.name)) return fail(line, "the value name's closing quote is missing");
    } else {
      return fail(line, "a value line starts with \"name\" or @");
    }
    std::string afterName = TrimLeft(content.substr(at));
    if (afterName.empty() || afterName[0] != '=') return fail(line, "expected = after the value name");
    bool deletion = false;
    std::string problem;
    if (!ParseData(TrimLeft(afterName.substr(1)), &value, &deletion, &problem)) return fail(line, problem);
    edits->push_back(RegEdit{deletion ? RegEdit::Kind::DeleteValue : RegEdit::Kind::PutValue, currentKey, value});
  }
  if (!headerSeen) {
    *error = std::string("registry file: the header \"") + kRegHeader + "\" is missing";
    return false;
  }
  return true;
}

void ClearRegistry() {
  for (const Root& root : kRoots) {
    std::shared_ptr<RegNode> node = detail::RootNode(root.handle);
    std::vector<std::shared_ptr<RegNode>> children;
    for (auto& child : node->children) children.push_back(child.second);
    for (auto& child : children) detail::DetachNode(child);
    node->values.clear();
  }
}

void Apply(const RegEdit& edit) {
  std::string rest;
  std::shared_ptr<RegNode> root = detail::RootOfPath(edit.keyPath, &rest);
  bool created = false;
  switch (edit.kind) {
    case RegEdit::Kind::PutKey: detail::WalkCreating(root, rest, &created); break;
    case RegEdit::Kind::DeleteKey: RegRemoveTree(edit.keyPath); break;
    case RegEdit::Kind::PutValue: RegPutValue(edit.keyPath, edit.value.name, edit.value.type, edit.value.data); break;
    case RegEdit::Kind::DeleteValue:
      if (auto node = detail::Walk(root, rest)) {
        for (auto value = node->values.begin(); value != node->values.end(); ++value) {
          if (detail::EqualNoCase(value->name, edit.value.name)) {
            node->values.erase(value);
            break;
          }
        }
      }
      break;
  }
}

}  // namespace

std::string RegistryToRegText() {
  std::lock_guard<std::recursive_mutex> lock(detail::MachineLock());
  std::string out = std::string(kRegHeader) + "\n\n";
  for (const Root& root : kRoots) WriteKey(*detail::RootNode(root.handle), root.name, true, &out);
  return out;
}

bool RegistryFromRegText(const std::string& text, std::string* error) {
  std::lock_guard<std::recursive_mutex> lock(detail::MachineLock());
  std::vector<RegEdit> edits;
  std::string ignored;
  if (!ParseRegText(text, &edits, error ? error : &ignored)) return false;
  ClearRegistry();
  for (const RegEdit& edit : edits) Apply(edit);
  return true;
}

}  // namespace winsim
