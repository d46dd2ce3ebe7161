// The file version a driver copy compares: the "FileVersion" string of a file's version resource,
// packed into one unsigned 32-bit number.
#ifndef BASETDIC_STEPS_FILE_VERSION_H
#define BASETDIC_STEPS_FILE_VERSION_H

#include <stddef.h>
#include <stdint.h>

#include "generic/win_handles.h"

namespace basetdic {

// Packs a version text: ',' counts as '.', a '.' is appended, and each '.' shifts the packed number one
// byte up and adds the field read since the previous '.' (without masking, modulo 2^32); digits build
// the field, every other character is skipped. "7, 0, 0, 26" gives 0x0700001A, "5.1.2600.0" gives
// 0x050B2800, a text without digits or dots gives 0. Reads at most maxChars characters or up to the
// terminator, whichever comes first.
uint32_t PackVersionText(const char* text, size_t maxChars);

// The packed "FileVersion" of the file at path, 0 when there is none or any step fails. The version
// functions come from the system folder's version.dll, loaded and released within the call. The first
// pair of "\VarFileInfo\Translation" whose string table holds "FileVersion" supplies the text; a pair
// whose language id is 0x8000 or above is read as English (United States), code page 1252. The whole
// text is packed, however long: a "FileVersion" of 127 characters or more reads the same as the
// number its last four fields spell, and nothing is copied into a fixed buffer on the way.
uint32_t GetFileVersionNumber(const char* path);

// The version functions of the system folder's version.dll, bound for the life of the object. A caller
// that reads versions while WOW64 file-system redirection is off binds them first: with redirection off
// the loader would reach the native system folder's DLL, which a 32-bit process cannot load.
class VersionReader {
 public:
  VersionReader();
  VersionReader(const VersionReader&) = delete;
  VersionReader& operator=(const VersionReader&) = delete;

  // As GetFileVersionNumber; 0 also when the functions could not be bound.
  uint32_t Read(const char* path) const;

 private:
  UniqueModule module_;  // version.dll, released with the object
  FARPROC getSize_;
  FARPROC getInfo_;
  FARPROC query_;
};

}  // namespace basetdic

#endif
