// The RT_VERSION resource of a PE file and the VS_VERSIONINFO tree inside it, read the way the
// version-resource functions of Windows (and Wine, whose version.dll reads the same files in the
// scenario suite) read them. Pure byte-level code: every read is bounds-checked against the sizes
// given, so arbitrary bytes are safe input.
#ifndef WINSIM_VERSION_RESOURCE_H
#define WINSIM_VERSION_RESOURCE_H

#include <cstddef>
#include <cstdint>
#include <optional>

namespace winsim::detail {

// Where the bytes of the version resource lie in the file.
struct VersionResourceSpan {
  uint32_t fileOffset;
  uint32_t size;  // the resource data entry's Size, as SizeofResource reports it
};

// Finds the RT_VERSION resource with id VS_VERSION_INFO in a PE32 or PE32+ file image. Among its
// languages it prefers neutral, then 0x0409, then 0x0009, then the directory's first entry, which is
// the order Windows' localised lookup produces on an English (United States) system. NE files and
// anything else answer nothing.
std::optional<VersionResourceSpan> FindVersionResource(const uint8_t* file, size_t fileSize);

// GetFileVersionInfoSizeA's answer for a resource of resourceSize bytes: twice the resource plus
// four bytes, room for the ANSI copies that VerQueryValueA makes of text values (32-bit arithmetic).
uint32_t VersionInfoBlockSize(uint32_t resourceSize);

// Fills block as GetFileVersionInfoA does: copies as much of the resource as the file holds and the
// block takes, then, when the block has room after the tree's own length (the root's wLength), the
// four bytes "FE2X" there. Bytes beyond what is copied are left as they were.
void CopyVersionInfoBlock(const uint8_t* file, size_t fileSize, VersionResourceSpan span, uint8_t* block,
                          size_t blockSize);

// Outcome of VerQueryValueA over a block.
struct VersionQueryResult {
  bool found = false;
  void* value = nullptr;   // into the block; on failure nullptr (the caller's pointer stays untouched)
  uint32_t length = 0;     // what puLen receives: 0 on failure
  uint32_t lastError = 0;  // error code the call leaves set, 0 when it leaves the thread's value alone
};

// VerQueryValueA over a block that GetFileVersionInfoA filled, blockSize bytes long. A null or empty
// subBlock means "\". Path components are matched without regard to case; empty components are
// skipped. A text value of a Unicode tree is converted to the ANSI code page (1252) into the second
// half of the block, and its length is the number of bytes converted, which counts the terminator
// when the resource counts it. Binary values and the values of 16-bit (ANSI) trees are returned in
// place with their stored length.
VersionQueryResult QueryVersionValueA(uint8_t* block, size_t blockSize, const char* subBlock);

}  // namespace winsim::detail

#endif
