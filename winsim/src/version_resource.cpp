// RT_VERSION lookup and VS_VERSIONINFO queries over raw bytes. Follows the layout rules of the
// version-resource functions: each node is wLength, wValueLength, (wType,) key, padding to a 4-byte
// boundary counted from the node, value, padding, children; siblings start 4-aligned after wLength.
// Where those functions trust a length that the bytes do not back, this code answers "not found"
// instead of reading outside the buffer.
#include "version_resource.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace winsim::detail {
namespace {

constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorInsufficientBuffer = 122;
constexpr uint32_t kErrorResourceTypeNotFound = 1813;

constexpr uint16_t kDosSignature = 0x5A4D;  // "MZ"
constexpr uint16_t kNtSignature = 0x4550;   // "PE" (the loader compares the first word only)
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint16_t kRtVersion = 16;
constexpr uint16_t kVsVersionInfoId = 1;

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

bool Fits(size_t size, size_t offset, size_t length) { return offset <= size && length <= size - offset; }
size_t Align4(size_t n) { return (n + 3) & ~static_cast<size_t>(3); }

// ---- Code page 1252 <-> UTF-16 -------------------------------------------------------------------

// Unicode code points of bytes 0x80..0x9F in code page 1252; the five unassigned bytes map to
// themselves, as MultiByteToWideChar maps them.
constexpr uint16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

uint16_t Cp1252ToUnicode(uint8_t c) { return (c >= 0x80 && c < 0xA0) ? kCp1252High[c - 0x80] : c; }

// Characters that code page 1252 cannot hold become '?', the default character.
uint8_t UnicodeToCp1252(uint16_t w) {
  if (w < 0x80 || (w >= 0xA0 && w <= 0xFF)) return static_cast<uint8_t>(w);
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] == w) return static_cast<uint8_t>(0x80 + i);
  return '?';
}

// Lower case as the key comparison sees it: ASCII, Latin-1 and the Latin letters of code page 1252.
uint16_t FoldCase(uint16_t w) {
  if (w >= 'A' && w <= 'Z') return static_cast<uint16_t>(w + 32);
  if (w >= 0xC0 && w <= 0xDE && w != 0xD7) return static_cast<uint16_t>(w + 32);
  switch (w) {
    case 0x0160:
      return 0x0161;
    case 0x0152:
      return 0x0153;
    case 0x017D:
      return 0x017E;
    case 0x0178:
      return 0x00FF;
    default:
      return w;
  }
}

uint8_t FoldAscii(uint8_t c) { return (c >= 'A' && c <= 'Z') ? static_cast<uint8_t>(c + 32) : c; }

// ---- Resource directory inside the section that holds it -----------------------------------------

struct SectionHeader {
  uint32_t virtualSize;
  uint32_t virtualAddress;
  uint32_t sizeOfRawData;
  uint32_t pointerToRawData;
};

class SectionTable {
 public:
  SectionTable(const uint8_t* file, size_t tableOffset, uint16_t count)
      : file_(file), tableOffset_(tableOffset), count_(count) {}

  SectionHeader At(uint16_t index) const {
    const uint8_t* h = file_ + tableOffset_ + static_cast<size_t>(index) * 40;
    return {Le32(h + 8), Le32(h + 12), Le32(h + 16), Le32(h + 20)};
  }

  // The section whose raw data covers rva, as the version functions look it up.
  std::optional<SectionHeader> Containing(uint32_t rva) const {
    for (uint16_t i = 0; i < count_; ++i) {
      SectionHeader s = At(i);
      if (rva >= s.virtualAddress &&
          static_cast<uint64_t>(rva) < static_cast<uint64_t>(s.virtualAddress) + s.sizeOfRawData)
        return s;
    }
    return std::nullopt;
  }

 private:
  const uint8_t* file_;
  size_t tableOffset_;
  uint16_t count_;
};

// The resource directory as read into memory: the section's raw data from the directory on, then
// zeros up to the section's virtual size.
class ResourceView {
 public:
  ResourceView(const uint8_t* raw, size_t rawSize, size_t size) : raw_(raw), rawSize_(rawSize), size_(size) {}

  size_t size() const { return size_; }
  bool Has(size_t offset, size_t length) const { return Fits(size_, offset, length); }
  uint8_t Byte(size_t offset) const { return offset < rawSize_ ? raw_[offset] : 0; }
  uint16_t U16(size_t offset) const { return static_cast<uint16_t>(Byte(offset) | (Byte(offset + 1) << 8)); }
  uint32_t U32(size_t offset) const {
    return static_cast<uint32_t>(U16(offset)) | (static_cast<uint32_t>(U16(offset + 2)) << 16);
  }

 private:
  const uint8_t* raw_;
  size_t rawSize_;
  size_t size_;
};

constexpr size_t kDirectorySize = 16;
constexpr size_t kEntrySize = 8;
constexpr uint32_t kOffsetMask = 0x7FFFFFFF;

// Binary search of a directory's id entries, as the loader searches them.
std::optional<size_t> FindEntryById(const ResourceView& view, size_t dir, uint16_t id) {
  if (!view.Has(dir, kDirectorySize)) return std::nullopt;
  const long named = view.U16(dir + 12);
  const long ids = view.U16(dir + 14);
  long low = named;
  long high = named + ids - 1;
  if (high < 0) return std::nullopt;
  const size_t room = (view.size() - dir - kDirectorySize) / kEntrySize;
  if (static_cast<size_t>(high) >= room) return std::nullopt;
  while (low <= high) {
    const long pos = (low + high) / 2;
    const size_t entry = dir + kDirectorySize + static_cast<size_t>(pos) * kEntrySize;
    const uint16_t entryId = static_cast<uint16_t>(view.U32(entry) & 0xFFFF);
    if (entryId == id) {
      const size_t offset = view.U32(entry + 4) & kOffsetMask;
      if (offset > view.size() - kDirectorySize) return std::nullopt;
      return offset;
    }
    if (entryId > id)
      high = pos - 1;
    else
      low = pos + 1;
  }
  return std::nullopt;
}

std::optional<size_t> FindEntryForLanguage(const ResourceView& view, size_t dir) {
  static constexpr uint16_t kPreferred[] = {0x0000, 0x0409, 0x0009};
  for (uint16_t lang : kPreferred)
    if (auto found = FindEntryById(view, dir, lang)) return found;
  if (!view.Has(dir + kDirectorySize, kEntrySize)) return std::nullopt;
  return view.U32(dir + kDirectorySize + 4) & kOffsetMask;
}

// ---- VS_VERSIONINFO nodes --------------------------------------------------------------------------

// One node of a tree whose keys are UTF-16 (the form resource compilers for Win32 write).
struct WideNode {
  size_t offset;
  uint16_t length;
  uint16_t valueLength;
  uint16_t type;
  size_t keyEnd;  // offset just past the key's terminator
  size_t ValueOffset() const { return offset + Align4(keyEnd - offset); }
  size_t ValueBytes() const { return static_cast<size_t>(valueLength) * (type ? 2 : 1); }
  size_t ChildrenOffset() const { return ValueOffset() + Align4(ValueBytes()); }
};

std::optional<WideNode> ReadWideNode(const uint8_t* block, size_t blockSize, size_t offset) {
  if (!Fits(blockSize, offset, 6)) return std::nullopt;
  WideNode node{offset, Le16(block + offset), Le16(block + offset + 2), Le16(block + offset + 4), 0};
  for (size_t k = offset + 6; Fits(blockSize, k, 2); k += 2) {
    if (Le16(block + k) == 0) {
      node.keyEnd = k + 2;
      return node;
    }
  }
  return std::nullopt;
}

bool WideKeyMatches(const uint8_t* block, const WideNode& node, const std::u16string& key) {
  const size_t keyStart = node.offset + 6;
  const size_t keyChars = (node.keyEnd - keyStart) / 2 - 1;
  if (keyChars != key.size()) return false;
  for (size_t i = 0; i < keyChars; ++i)
    if (FoldCase(Le16(block + keyStart + 2 * i)) != FoldCase(key[i])) return false;
  return true;
}

std::optional<WideNode> FindWideChild(const uint8_t* block, size_t blockSize, const WideNode& parent,
                                      const std::u16string& key) {
  const size_t end = parent.offset + parent.length;
  size_t child = parent.ChildrenOffset();
  while (child < end) {
    auto node = ReadWideNode(block, blockSize, child);
    if (!node) return std::nullopt;
    if (WideKeyMatches(block, *node, key)) return node;
    if (node->length == 0) return std::nullopt;
    child += Align4(node->length);
  }
  return std::nullopt;
}

// One node of a 16-bit tree, whose keys and values are ANSI.
struct NarrowNode {
  size_t offset;
  uint16_t length;
  uint16_t valueLength;
  size_t keyEnd;
  size_t ValueOffset() const { return offset + Align4(keyEnd - offset); }
  size_t ChildrenOffset() const { return ValueOffset() + Align4(valueLength); }
};

std::optional<NarrowNode> ReadNarrowNode(const uint8_t* block, size_t blockSize, size_t offset) {
  if (!Fits(blockSize, offset, 4)) return std::nullopt;
  NarrowNode node{offset, Le16(block + offset), Le16(block + offset + 2), 0};
  for (size_t k = offset + 4; k < blockSize; ++k) {
    if (block[k] == 0) {
      node.keyEnd = k + 1;
      return node;
    }
  }
  return std::nullopt;
}

bool NarrowKeyMatches(const uint8_t* block, const NarrowNode& node, const std::string& key) {
  const size_t keyStart = node.offset + 4;
  if (node.keyEnd - keyStart - 1 != key.size()) return false;
  for (size_t i = 0; i < key.size(); ++i)
    if (FoldAscii(block[keyStart + i]) != FoldAscii(static_cast<uint8_t>(key[i]))) return false;
  return true;
}

std::optional<NarrowNode> FindNarrowChild(const uint8_t* block, size_t blockSize, const NarrowNode& parent,
                                          const std::string& key) {
  const size_t end = parent.offset + parent.length;
  size_t child = parent.ChildrenOffset();
  while (child < end) {
    auto node = ReadNarrowNode(block, blockSize, child);
    if (!node) return std::nullopt;
    if (NarrowKeyMatches(block, *node, key)) return node;
    if (node->length == 0) return std::nullopt;
    child += Align4(node->length);
  }
  return std::nullopt;
}

// Splits a query path at backslashes, dropping empty components.
template <typename String, typename Visit>
void ForEachComponent(const String& path, Visit&& visit) {
  size_t start = 0;
  while (start < path.size()) {
    size_t slash = path.find(static_cast<typename String::value_type>('\\'), start);
    if (slash == String::npos) slash = path.size();
    if (slash > start && !visit(path.substr(start, slash - start))) return;
    start = slash + 1;
  }
}

VersionQueryResult NotFound() {
  VersionQueryResult result;
  result.lastError = kErrorResourceTypeNotFound;
  return result;
}

VersionQueryResult QueryNarrowTree(uint8_t* block, size_t blockSize, const std::string& path) {
  auto node = ReadNarrowNode(block, blockSize, 0);
  if (!node) return NotFound();
  ForEachComponent(path, [&](const std::string& key) {
    node = FindNarrowChild(block, blockSize, *node, key);
    return node.has_value();
  });
  if (!node || !Fits(blockSize, node->ValueOffset(), node->valueLength)) return NotFound();
  VersionQueryResult result;
  result.found = true;
  result.value = block + node->ValueOffset();
  result.length = node->valueLength;
  return result;
}

// Converts a text value into the ANSI area after the tree, as WideCharToMultiByte would with the
// room the version functions give it (the tree's length less the value's offset).
void ConvertTextValue(uint8_t* block, size_t blockSize, uint16_t treeLength, const WideNode& node,
                      VersionQueryResult& result) {
  static char emptyText[1] = {0};
  const size_t source = node.ValueOffset();
  const size_t target = static_cast<size_t>(treeLength) + 4 + source;
  const long long room = static_cast<long long>(treeLength) - static_cast<long long>(source);
  const size_t count = node.valueLength;
  result.value = target < blockSize ? static_cast<void*>(block + target) : static_cast<void*>(emptyText);
  result.length = 0;
  if (count == 0 || room < 0) {
    result.lastError = kErrorInvalidParameter;
    return;
  }
  if (room == 0) {  // a zero-sized target asks for the size only
    result.length = static_cast<uint32_t>(count);
    return;
  }
  const size_t fitting = std::min(static_cast<size_t>(room), count);
  if (!Fits(blockSize, target, fitting)) {
    result.lastError = kErrorInsufficientBuffer;
    return;
  }
  for (size_t i = 0; i < fitting; ++i) block[target + i] = UnicodeToCp1252(Le16(block + source + 2 * i));
  if (fitting < count) {
    result.lastError = kErrorInsufficientBuffer;
    return;
  }
  result.length = static_cast<uint32_t>(count);
}

VersionQueryResult QueryWideTree(uint8_t* block, size_t blockSize, const std::string& path) {
  std::u16string widePath;
  for (char c : path) widePath.push_back(static_cast<char16_t>(Cp1252ToUnicode(static_cast<uint8_t>(c))));

  auto root = ReadWideNode(block, blockSize, 0);
  if (!root) return NotFound();
  std::optional<WideNode> node = root;
  ForEachComponent(widePath, [&](const std::u16string& key) {
    node = FindWideChild(block, blockSize, *node, key);
    return node.has_value();
  });
  if (!node || !Fits(blockSize, node->ValueOffset(), node->ValueBytes())) return NotFound();

  VersionQueryResult result;
  result.found = true;
  result.value = block + node->ValueOffset();
  result.length = node->valueLength;
  if (node->type != 0) ConvertTextValue(block, blockSize, root->length, *node, result);
  return result;
}

}  // namespace

std::optional<VersionResourceSpan> FindVersionResource(const uint8_t* file, size_t fileSize) {
  if (!file || !Fits(fileSize, 0, 64) || Le16(file) != kDosSignature) return std::nullopt;
  const size_t peOffset = Le32(file + 0x3C);
  if (!Fits(fileSize, peOffset, 2) || Le16(file + peOffset) != kNtSignature) return std::nullopt;

  // The NT headers as far as the file holds them, zero-padded like a short read into a cleared struct.
  uint8_t headers[264] = {};
  const size_t headerBytes = std::min(sizeof headers, fileSize - peOffset);
  if (headerBytes < 20) return std::nullopt;
  std::memcpy(headers, file + peOffset, headerBytes);

  size_t resourceDirectoryEntry = 0;
  switch (Le16(headers + 24)) {
    case kPe32Magic:
      resourceDirectoryEntry = 24 + 96 + 2 * 8;
      break;
    case kPe32PlusMagic:
      resourceDirectoryEntry = 24 + 112 + 2 * 8;
      break;
    default:
      return std::nullopt;
  }
  const uint32_t resourceRva = Le32(headers + resourceDirectoryEntry);
  if (Le32(headers + resourceDirectoryEntry + 4) == 0) return std::nullopt;

  const uint16_t sectionCount = Le16(headers + 6);
  const size_t sectionTable = peOffset + 24 + Le16(headers + 20);
  if (!Fits(fileSize, sectionTable, static_cast<size_t>(sectionCount) * 40)) return std::nullopt;
  const SectionTable sections(file, sectionTable, sectionCount);

  auto home = sections.Containing(resourceRva);
  if (!home || !Fits(fileSize, home->pointerToRawData, home->sizeOfRawData)) return std::nullopt;
  const size_t sectionSize = std::max(home->sizeOfRawData, home->virtualSize);
  const size_t directoryStart = resourceRva - home->virtualAddress;
  const ResourceView view(file + home->pointerToRawData + directoryStart, home->sizeOfRawData - directoryStart,
                          sectionSize - directoryStart);

  auto names = FindEntryById(view, 0, kRtVersion);
  if (!names) return std::nullopt;
  auto languages = FindEntryById(view, *names, kVsVersionInfoId);
  if (!languages) return std::nullopt;
  auto dataEntry = FindEntryForLanguage(view, *languages);
  if (!dataEntry || !view.Has(*dataEntry, 16)) return std::nullopt;

  const uint32_t dataRva = view.U32(*dataEntry);
  auto dataHome = sections.Containing(dataRva);
  if (!dataHome) return std::nullopt;
  return VersionResourceSpan{dataRva - dataHome->virtualAddress + dataHome->pointerToRawData, view.U32(*dataEntry + 4)};
}

uint32_t VersionInfoBlockSize(uint32_t resourceSize) { return resourceSize * 2 + 4; }

void CopyVersionInfoBlock(const uint8_t* file, size_t fileSize, VersionResourceSpan span, uint8_t* block,
                          size_t blockSize) {
  if (!block) return;
  size_t count = std::min<size_t>(span.size, blockSize);
  if (!file || span.fileOffset >= fileSize)
    count = 0;
  else
    count = std::min(count, fileSize - span.fileOffset);
  if (count) std::memcpy(block, file + span.fileOffset, count);
  if (blockSize < 2) return;
  const size_t treeLength = Le16(block);
  if (blockSize >= treeLength + 4) std::memcpy(block + treeLength, "FE2X", 4);
}

VersionQueryResult QueryVersionValueA(uint8_t* block, size_t blockSize, const char* subBlock) {
  if (!block) return NotFound();
  const std::string path = (subBlock && *subBlock) ? subBlock : "\\";
  // A 16-bit tree has its ANSI key where a Unicode tree has its type word (0 or 1).
  const bool narrowTree = blockSize > 4 && block[4] >= 0x20 && block[4] < 0x80;
  return narrowTree ? QueryNarrowTree(block, blockSize, path) : QueryWideTree(block, blockSize, path);
}

}  // namespace winsim::detail
