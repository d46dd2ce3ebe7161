// Text as JSON carries it: valid UTF-8, always.
#ifndef BASETDIC_HOST_REPORT_JSON_TEXT_H
#define BASETDIC_HOST_REPORT_JSON_TEXT_H

#include <string>

namespace host {

// The bytes of a text from the machine or the command line as UTF-8. On Windows they are in the ANSI
// code page and are converted from it. Elsewhere they are taken as UTF-8 where they are valid UTF-8
// (the names a Linux system gives), and every byte that is not part of a valid sequence is shown as
// the four characters \xNN, so that nothing is lost and nothing is guessed.
std::string JsonText(const std::string& bytes);

}  // namespace host

#endif
