// The argument texts of recorded calls, written as winsim's call log writes them, so that a call reads the
// same on the simulated machine and on Windows.
#ifndef BASETDIC_TOOLS_HOST_PLATFORM_WINDOWS_INTERPOSER_CALL_TEXT_H
#define BASETDIC_TOOLS_HOST_PLATFORM_WINDOWS_INTERPOSER_CALL_TEXT_H

#include <cstdint>
#include <string>

namespace host::interposer {

// A text argument in double quotes, or NULL.
std::string Arg(const char* text);
// 0x followed by lower-case hex digits.
std::string Hex(uint64_t value);
// A pointer or handle as Hex writes it.
std::string Hex(const void* pointer);

}  // namespace host::interposer

#endif
