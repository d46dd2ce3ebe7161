// A bounded append of one ANSI text to another, counted in bytes, that never splits a double-byte character.
#ifndef BASETDIC_GENERIC_APPEND_BOUNDED_H
#define BASETDIC_GENERIC_APPEND_BOUNDED_H

#include <stddef.h>

namespace basetdic {

// Appends at most count bytes of source to destination and terminates it; returns destination. In a
// double-byte code page no character is split: a lead byte whose trail byte would not fit is left out, and
// a lead byte dangling at the end of destination is overwritten. The caller sizes destination for its
// text, count bytes and the terminator.
char* AppendBounded(char* destination, const char* source, size_t count);

}  // namespace basetdic

#endif
