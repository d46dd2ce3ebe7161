// Windows errors and call arguments as a person reads them.
#ifndef BASETDIC_HOST_REPORT_ERROR_WORDS_H
#define BASETDIC_HOST_REPORT_ERROR_WORDS_H

#include <windows.h>

#include <string>

namespace host {

// A Windows error in words, with its number first: "32, the file is in use". The host's own words for
// every error the library can meet; on Windows the system's message for any other; the number alone
// where neither has words.
std::string ErrorWords(DWORD error);
// The host's own words for the error; empty when it has none.
std::string OwnErrorWords(DWORD error);

// A failed call's arguments as the call log gives them, with the registry's predefined keys by name:
// "0xffffffff80000002" (or "0x80000002", "FFFFFFFF80000002") standing alone becomes "HKLM".
std::string ReadableCallArguments(const std::string& arguments);

}  // namespace host

#endif
