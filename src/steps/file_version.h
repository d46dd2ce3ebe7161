// A file's version as the driver copy compares it: the "FileVersion" string of its version resource,
// packed into one unsigned 32-bit number. The host reads the files it reports through the same reader,
// so the version it shows is the one the library compared.
#ifndef BASETDIC_STEPS_FILE_VERSION_H
#define BASETDIC_STEPS_FILE_VERSION_H

#include <windows.h>

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

// A zero-filled block from the process heap, released when it goes out of scope.
class HeapBlock {
 public:
  HeapBlock() = default;
  explicit HeapBlock(DWORD size);
  ~HeapBlock() { reset(); }
  HeapBlock(HeapBlock&& other) : memory_(other.memory_) { other.memory_ = nullptr; }
  HeapBlock& operator=(HeapBlock&& other);
  HeapBlock(const HeapBlock&) = delete;
  HeapBlock& operator=(const HeapBlock&) = delete;
  void* get() const { return memory_; }
  void reset();

 private:
  void* memory_ = nullptr;
};

// What one file's version resource says. The first pair of "\VarFileInfo\Translation" whose string
// table holds "FileVersion" supplies the text; a pair whose language id is 0x8000 or above is read as
// English (United States), code page 1252.
class FileVersion {
 public:
  // Whether the file has a version resource that could be read.
  bool HasResource() const { return block_.get() != nullptr; }
  // Which pair supplied the text (its index in the translation table, and the language and code page
  // whose table was read); -1 when none did.
  int Pair() const { return pair_; }
  uint16_t Language() const { return language_; }
  uint16_t CodePage() const { return codePage_; }
  // The text as the resource holds it: up to TextLength() characters, ending sooner at a terminator.
  // Null when no pair supplied one.
  const char* Text() const { return text_; }
  size_t TextLength() const { return textLength_; }
  // The number the copy compares: the text packed whole, however long; 0 without a text.
  uint32_t Packed() const { return PackVersionText(text_, textLength_); }
  // For display only: the fixed part's dwFileVersionMS and dwFileVersionLS, queried on demand; false
  // when the resource has none.
  bool FixedFileVersion(DWORD* mostSignificant, DWORD* leastSignificant) const;

 private:
  friend class VersionReader;
  using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);
  explicit FileVersion(QueryFn query) : query_(query) {}

  QueryFn query_;
  HeapBlock block_;
  int pair_ = -1;
  uint16_t language_ = 0;
  uint16_t codePage_ = 0;
  const char* text_ = nullptr;
  size_t textLength_ = 0;
};

// The version functions, bound for the life of the object: by default those of the system folder's
// version.dll, never through the DLL search order. A caller that reads versions while WOW64 file-system
// redirection is off binds them first: with redirection off the loader would reach the native system
// folder's DLL, which a 32-bit process cannot load. A program that links version.dll itself hands its
// own functions instead, and nothing is loaded.
class VersionReader {
 public:
  struct Functions {
    DWORD(WINAPI* getSize)(LPCSTR, LPDWORD);
    BOOL(WINAPI* getInfo)(LPCSTR, DWORD, DWORD, LPVOID);
    FileVersion::QueryFn query;
  };

  VersionReader();
  explicit VersionReader(const Functions& linked) : functions_(linked) {}
  VersionReader(const VersionReader&) = delete;
  VersionReader& operator=(const VersionReader&) = delete;

  // The file's version resource; none when a function is missing or any step fails.
  FileVersion ReadVersion(const char* path) const;
  // Its packed number, 0 when there is none: ReadVersion(path).Packed().
  uint32_t Read(const char* path) const;

 private:
  UniqueModule module_;  // version.dll when loaded here, released with the object
  Functions functions_;
};

// The packed "FileVersion" of the file at path, read with the system folder's version.dll, loaded and
// released within the call; 0 when there is none or any step fails. A "FileVersion" of 127 characters or
// more reads the same as the number its last four fields spell, and nothing is copied into a fixed
// buffer on the way.
uint32_t GetFileVersionNumber(const char* path);

}  // namespace basetdic

#endif
