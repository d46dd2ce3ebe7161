// Names folded as Windows compares them: ASCII letters without regard to case. Registry keys, values,
// files, services and devices are all named so, and the host compares them the same way.
#ifndef BASETDIC_HOST_OBSERVE_WINDOWS_CASE_H
#define BASETDIC_HOST_OBSERVE_WINDOWS_CASE_H

#include <string>

namespace host {

inline std::string LowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace host

#endif
