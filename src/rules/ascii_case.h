// Names and paths compared as Windows compares them: ASCII letters without regard to case, every other
// byte as it is.
#ifndef BASETDIC_RULES_ASCII_CASE_H
#define BASETDIC_RULES_ASCII_CASE_H

#include <stddef.h>

namespace basetdic {

// Two null texts are equal; a null and a non-null one are not.
bool EqualsNoCase(const char* a, const char* b);
// Whether needle stands in text; false when either is null, true for an empty needle.
bool ContainsNoCase(const char* text, const char* needle);
// The same, looking only at the first limit characters of text.
bool ContainsNoCaseWithin(const char* text, size_t limit, const char* needle);

}  // namespace basetdic

#endif
