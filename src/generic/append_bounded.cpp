#include "generic/append_bounded.h"

#include <mbstring.h>

namespace basetdic {

// The C runtime's multibyte bounded append does exactly this, by bytes and in the process's code page.
char* AppendBounded(char* destination, const char* source, size_t count) {
  return reinterpret_cast<char*>(
      _mbsnbcat(reinterpret_cast<unsigned char*>(destination), reinterpret_cast<const unsigned char*>(source), count));
}

}  // namespace basetdic
