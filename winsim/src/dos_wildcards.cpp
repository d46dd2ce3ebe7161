#include "dos_wildcards.h"

#include <cstring>

namespace winsim::detail {
namespace {

constexpr char kDosStar = '<';  // any run of characters up to and including the name's last dot
constexpr char kDosQm = '>';    // one character; nothing at a dot or at the end of the name
constexpr char kDosDot = '"';   // a dot, or nothing at the end of the name

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool Match(const char* expression, const char* name, const char* lastDot) {
  switch (*expression) {
    case '\0': return *name == '\0';
    case '*':
      for (const char* rest = name;; ++rest) {
        if (Match(expression + 1, rest, lastDot)) return true;
        if (*rest == '\0') return false;
      }
    case kDosStar:
      for (const char* rest = name;; ++rest) {
        if (Match(expression + 1, rest, lastDot)) return true;
        if (*rest == '\0' || (lastDot != nullptr && rest > lastDot)) return false;
      }
    case kDosQm:
      if (*name != '\0' && *name != '.') return Match(expression + 1, name + 1, lastDot);
      // At a dot or the end the whole run of DOS question marks stands for nothing; a run that ends
      // the expression takes the dot itself.
      while (*expression == kDosQm) ++expression;
      if (*expression == '\0' && *name == '.') ++name;
      return Match(expression, name, lastDot);
    case kDosDot:
      if (*name == '.') return Match(expression + 1, name + 1, lastDot);
      return *name == '\0' && Match(expression + 1, name, lastDot);
    default:
      if (*name == '\0' || Upper(*expression) != Upper(*name)) return false;
      return Match(expression + 1, name + 1, lastDot);
  }
}

bool IsShortNameChar(char c) {
  return static_cast<unsigned char>(c) > ' ' && !strchr("\"*+,/:;<=>?[\\]|.", c);
}

bool IsLegalShortName(const std::string& name) {
  if (name == "." || name == "..") return true;
  size_t dot = name.find('.');
  std::string base = name.substr(0, dot);
  std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || extension.size() > 3) return false;
  if (dot != std::string::npos && extension.empty()) return false;
  for (char c : base + extension)
    if (!IsShortNameChar(c)) return false;
  return true;
}

std::string ShortPart(const std::string& text, size_t limit) {
  std::string part;
  for (char c : text) {
    if (part.size() == limit) break;
    if (c == ' ' || c == '.') continue;
    part += IsShortNameChar(c) ? Upper(c) : '_';
  }
  return part;
}

}  // namespace

std::string ShortNameOf(const std::string& name) {
  if (IsLegalShortName(name)) return std::string();
  size_t lastDot = name.rfind('.');
  bool hasExtension = lastDot != std::string::npos && lastDot > 0;
  std::string base = ShortPart(hasExtension ? name.substr(0, lastDot) : name, 6);
  std::string extension = hasExtension ? ShortPart(name.substr(lastDot + 1), 3) : std::string();
  return base + "~1" + (extension.empty() ? std::string() : "." + extension);
}

std::string DosExpression(const std::string& pattern) {
  std::string text = pattern;
  bool endsInDot = !text.empty() && text.back() == '.';
  // The path layer drops trailing dots and blanks from the last component before the search sees it.
  while (!text.empty() && (text.back() == '.' || text.back() == ' ')) text.pop_back();
  if (text == "*.*") return "*";
  for (size_t i = 0; i < text.size(); ++i) {
    if (i > 0 && text[i] == '.' && text[i - 1] == '*') text[i - 1] = kDosStar;
    if (text[i] == '?' || text[i] == '*') {
      if (text[i] == '?') text[i] = kDosQm;
      if (i > 0 && text[i - 1] == '.') text[i - 1] = kDosDot;
    }
  }
  if (endsInDot && !text.empty() && text.back() == '*') text.back() = kDosStar;
  return text;
}

bool MatchesDosExpression(const std::string& expression, const std::string& name) {
  const std::string matched = name == ".." ? std::string(".") : name;
  if (Match(expression.c_str(), matched.c_str(), strrchr(matched.c_str(), '.'))) return true;
  std::string shortName = ShortNameOf(name);
  return !shortName.empty() && Match(expression.c_str(), shortName.c_str(), strrchr(shortName.c_str(), '.'));
}

}  // namespace winsim::detail
