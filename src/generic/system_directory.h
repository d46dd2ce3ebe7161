// The system directory, read into the library's path buffer.
#ifndef BASETDIC_GENERIC_SYSTEM_DIRECTORY_H
#define BASETDIC_GENERIC_SYSTEM_DIRECTORY_H

#include "generic/bounded_text.h"

namespace basetdic {

// GetSystemDirectoryA into directory; false, and directory empty, when it cannot be had or does not fit
// with its terminator.
bool FetchSystemDirectory(PathBuffer& directory);

}  // namespace basetdic

#endif
