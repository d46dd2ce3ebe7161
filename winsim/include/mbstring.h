// The multibyte string routines of the Windows C runtime that the library uses.
#ifndef WINSIM_MBSTRING_H
#define WINSIM_MBSTRING_H
#include <stddef.h>
#ifdef __cplusplus
extern "C" {
#endif
// Appends at most count bytes of src to dst without splitting a double-byte character of the machine's
// code page; a lead byte dangling at the end of dst is overwritten.
unsigned char* _mbsnbcat(unsigned char* dst, const unsigned char* src, size_t count);
#ifdef __cplusplus
}
#endif
#endif
