// Words listed in a sentence: "init, show or reboot", "install, update and check".
#ifndef BASETDIC_HOST_CLI_WORD_LIST_H
#define BASETDIC_HOST_CLI_WORD_LIST_H

#include <string>
#include <vector>

namespace host {

// The words separated by commas, the last two by last ("and", "or").
inline std::string WordList(const std::vector<std::string>& words, const char* last) {
  std::string text;
  for (size_t i = 0; i < words.size(); ++i) {
    text += (i == 0 ? "" : i + 1 == words.size() ? std::string(" ") + last + " " : ", ") + words[i];
  }
  return text;
}

}  // namespace host

#endif
