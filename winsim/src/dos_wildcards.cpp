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

}  // namespace

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
  const std::string& matched = name == ".." ? std::string(".") : name;
  const char* text = matched.c_str();
  return Match(expression.c_str(), text, strrchr(text, '.'));
}

}  // namespace winsim::detail
