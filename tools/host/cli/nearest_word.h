// "did you mean install?": the known word nearest to one that was mistyped.
#ifndef BASETDIC_HOST_CLI_NEAREST_WORD_H
#define BASETDIC_HOST_CLI_NEAREST_WORD_H

#include <string>
#include <vector>

namespace host {

// Edits that turn a into b, ASCII letters compared without regard to case: a letter inserted, deleted
// or replaced, or two neighbours swapped ("cycel" is one edit from "cycle"), each counting one. A
// stretch of text is edited once (optimal string alignment).
size_t EditDistance(const std::string& a, const std::string& b);

// The candidate nearest to word when it is within a third of the word's letters (at least one edit);
// the first of equally near ones; empty when none is that near.
std::string NearestWord(const std::string& word, const std::vector<std::string>& candidates);

}  // namespace host

#endif
