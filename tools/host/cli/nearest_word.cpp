#include "cli/nearest_word.h"

#include <algorithm>

#include "observe/windows_case.h"

namespace host {

size_t EditDistance(const std::string& a, const std::string& b) {
  const std::string x = LowerAscii(a), y = LowerAscii(b);
  // Three rows of the table: two back (for a swap), the last one, and the one being filled.
  std::vector<size_t> twoBack(y.size() + 1), last(y.size() + 1), row(y.size() + 1);
  for (size_t j = 0; j <= y.size(); ++j) last[j] = j;
  for (size_t i = 1; i <= x.size(); ++i) {
    row[0] = i;
    for (size_t j = 1; j <= y.size(); ++j) {
      size_t replace = last[j - 1] + (x[i - 1] == y[j - 1] ? 0 : 1);
      row[j] = std::min({last[j] + 1, row[j - 1] + 1, replace});
      if (i > 1 && j > 1 && x[i - 1] == y[j - 2] && x[i - 2] == y[j - 1]) row[j] = std::min(row[j], twoBack[j - 2] + 1);
    }
    std::swap(twoBack, last);
    std::swap(last, row);
  }
  return last[y.size()];
}

std::string NearestWord(const std::string& word, const std::vector<std::string>& candidates) {
  std::string nearest;
  size_t best = word.size() / 3 + 1;
  for (const std::string& candidate : candidates) {
    size_t distance = EditDistance(word, candidate);
    if (distance < best) best = distance, nearest = candidate;
  }
  return nearest;
}

}  // namespace host
