#include "call_text.h"

#include <cstdio>

namespace host::interposer {

std::string Arg(const char* text) { return text ? "\"" + std::string(text) + "\"" : "NULL"; }

std::string Hex(uint64_t value) {
  char buffer[24];
  snprintf(buffer, sizeof buffer, "0x%llx", static_cast<unsigned long long>(value));
  return buffer;
}

std::string Hex(const void* pointer) { return Hex(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(pointer))); }

}  // namespace host::interposer
