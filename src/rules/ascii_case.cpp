#include "rules/ascii_case.h"

#include <stdint.h>
#include <string.h>

namespace basetdic {
namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool EqualsNoCase(const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return a == b;
  for (; *a && *b; ++a, ++b) {
    if (FoldAscii(*a) != FoldAscii(*b)) return false;
  }
  return *a == *b;
}

bool ContainsNoCase(const char* text, const char* needle) { return ContainsNoCaseWithin(text, SIZE_MAX, needle); }

bool ContainsNoCaseWithin(const char* text, size_t limit, const char* needle) {
  if (text == nullptr || needle == nullptr) return false;
  const size_t needleLength = strlen(needle);
  const size_t textLength = strnlen(text, limit);
  for (size_t start = 0; start + needleLength <= textLength; ++start) {
    size_t i = 0;
    while (i < needleLength && FoldAscii(text[start + i]) == FoldAscii(needle[i])) ++i;
    if (i == needleLength) return true;
  }
  return false;
}

}  // namespace basetdic
