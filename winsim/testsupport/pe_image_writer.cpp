// PE image and VS_VERSIONINFO layout. Field offsets follow the PE/COFF specification; the version tree
// follows the VS_VERSIONINFO / StringFileInfo / StringTable / String / VarFileInfo / Var documentation.
#include "pe_image_writer.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace winsim::testsupport {
namespace {

constexpr uint32_t kFileAlignment = 0x200;
constexpr uint32_t kSectionAlignment = 0x1000;
constexpr uint32_t kHeadersSize = 0x200;
constexpr uint32_t kPeHeaderOffset = 0x80;

size_t AlignUp(size_t n, size_t alignment) { return (n + alignment - 1) / alignment * alignment; }

class ByteWriter {
 public:
  std::vector<uint8_t>& bytes() { return bytes_; }
  size_t size() const { return bytes_.size(); }
  void U8(uint8_t v) { bytes_.push_back(v); }
  void U16(uint16_t v) { U8(static_cast<uint8_t>(v)), U8(static_cast<uint8_t>(v >> 8)); }
  void U32(uint32_t v) { U16(static_cast<uint16_t>(v)), U16(static_cast<uint16_t>(v >> 16)); }
  void U64(uint64_t v) { U32(static_cast<uint32_t>(v)), U32(static_cast<uint32_t>(v >> 32)); }
  void Bytes(const std::vector<uint8_t>& v) { bytes_.insert(bytes_.end(), v.begin(), v.end()); }
  void Zeros(size_t n) { bytes_.insert(bytes_.end(), n, 0); }
  void PadTo(size_t n) {
    if (bytes_.size() < n) Zeros(n - bytes_.size());
  }
  void Align(size_t alignment) { PadTo(AlignUp(bytes_.size(), alignment)); }
  void Put16(size_t at, uint16_t v) {
    bytes_[at] = static_cast<uint8_t>(v), bytes_[at + 1] = static_cast<uint8_t>(v >> 8);
  }
  void Put32(size_t at, uint32_t v) {
    Put16(at, static_cast<uint16_t>(v)), Put16(at + 2, static_cast<uint16_t>(v >> 16));
  }

 private:
  std::vector<uint8_t> bytes_;
};

std::u16string Utf8ToUtf16(const std::string& text) {
  std::u16string out;
  for (size_t i = 0; i < text.size();) {
    const uint8_t c = static_cast<uint8_t>(text[i]);
    uint32_t cp = c;
    size_t extra = 0;
    if (c >= 0xF0)
      cp = c & 0x07, extra = 3;
    else if (c >= 0xE0)
      cp = c & 0x0F, extra = 2;
    else if (c >= 0xC0)
      cp = c & 0x1F, extra = 1;
    ++i;
    for (size_t k = 0; k < extra && i < text.size(); ++k, ++i) cp = (cp << 6) | (static_cast<uint8_t>(text[i]) & 0x3F);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

// One node of the tree: header, key, padding to 4 bytes, value, padding, children. wLength covers
// the node up to the end of its last child (or value), without trailing padding.
class VersionNode {
 public:
  VersionNode(const std::string& key, uint16_t type) : key_(Utf8ToUtf16(key)), type_(type) {}

  void SetBinaryValue(std::vector<uint8_t> value) {
    value_ = std::move(value);
    valueLength_ = static_cast<uint16_t>(value_.size());
  }
  void SetTextValue(const std::string& text) {
    std::u16string wide = Utf8ToUtf16(text);
    wide.push_back(0);
    value_.clear();
    for (char16_t ch : wide)
      value_.push_back(static_cast<uint8_t>(ch)), value_.push_back(static_cast<uint8_t>(ch >> 8));
    valueLength_ = static_cast<uint16_t>(wide.size());
  }
  void Add(VersionNode child) { children_.push_back(std::move(child)); }

  // Appends the node at the writer's current offset, which is 4-aligned.
  void WriteTo(ByteWriter& out) const {
    const size_t start = out.size();
    out.U16(0);  // wLength, patched below
    out.U16(valueLength_);
    out.U16(type_);
    for (char16_t ch : key_) out.U16(static_cast<uint16_t>(ch));
    out.U16(0);
    out.Align(4);
    out.Bytes(value_);
    for (const VersionNode& child : children_) {
      out.Align(4);
      child.WriteTo(out);
    }
    out.Put16(start, static_cast<uint16_t>(out.size() - start));
  }

 private:
  std::u16string key_;
  uint16_t type_;
  uint16_t valueLength_ = 0;
  std::vector<uint8_t> value_;
  std::vector<VersionNode> children_;
};

std::vector<uint8_t> FixedFileInfo(const VersionInfoSpec& spec) {
  ByteWriter w;
  auto ms = [](const FourPartVersion& v) { return (static_cast<uint32_t>(v.major) << 16) | v.minor; };
  auto ls = [](const FourPartVersion& v) { return (static_cast<uint32_t>(v.build) << 16) | v.revision; };
  w.U32(0xFEEF04BD);  // dwSignature
  w.U32(0x00010000);  // dwStrucVersion 1.0
  w.U32(ms(spec.fileVersion));
  w.U32(ls(spec.fileVersion));
  w.U32(ms(spec.productVersion));
  w.U32(ls(spec.productVersion));
  w.U32(0x3F);  // dwFileFlagsMask
  w.U32(spec.fileFlags);
  w.U32(spec.fileOs);
  w.U32(spec.fileType);
  w.U32(spec.fileSubtype);
  w.U32(0);  // dwFileDateMS
  w.U32(0);  // dwFileDateLS
  return w.bytes();
}

std::string TableKey(const VersionStringTable& table) {
  if (!table.keyOverride.empty()) return table.keyOverride;
  char key[9];
  std::snprintf(key, sizeof key, "%04x%04x", table.language, table.codePage);
  return key;
}

// ---- Resource section ------------------------------------------------------------------------------

// Resource directory with one type (RT_VERSION), one name (1) and one entry per language, followed by
// the data entries and the data. Offsets inside the directory are relative to its start; data
// entries hold RVAs.
std::vector<uint8_t> BuildResourceSection(std::vector<VersionResource> resources, uint32_t sectionRva) {
  std::sort(resources.begin(), resources.end(),
            [](const VersionResource& a, const VersionResource& b) { return a.language < b.language; });
  const uint32_t count = static_cast<uint32_t>(resources.size());
  const uint32_t nameDir = 24, languageDir = 48;
  const uint32_t dataEntries = languageDir + 16 + 8 * count;
  uint32_t dataOffset = dataEntries + 16 * count;

  ByteWriter w;
  auto directory = [&w](uint16_t idEntries) { w.U32(0), w.U32(0), w.U16(4), w.U16(0), w.U16(0), w.U16(idEntries); };
  directory(1);
  w.U32(16), w.U32(0x80000000u | nameDir);
  directory(1);
  w.U32(1), w.U32(0x80000000u | languageDir);
  directory(static_cast<uint16_t>(count));
  for (uint32_t i = 0; i < count; ++i) w.U32(resources[i].language), w.U32(dataEntries + 16 * i);
  std::vector<uint32_t> offsets;
  for (const VersionResource& r : resources) {
    dataOffset = static_cast<uint32_t>(AlignUp(dataOffset, 8));
    offsets.push_back(dataOffset);
    w.U32(sectionRva + dataOffset), w.U32(static_cast<uint32_t>(r.data.size())), w.U32(0), w.U32(0);
    dataOffset += static_cast<uint32_t>(r.data.size());
  }
  for (uint32_t i = 0; i < count; ++i) {
    w.PadTo(offsets[i]);
    w.Bytes(resources[i].data);
  }
  return w.bytes();
}

std::vector<uint8_t> EntryCode(PeMachine machine, PeKind kind) {
  if (machine == PeMachine::Amd64)
    return kind == PeKind::Dll ? std::vector<uint8_t>{0xB8, 1, 0, 0, 0, 0xC3}  // mov eax,1; ret
                               : std::vector<uint8_t>{0x31, 0xC0, 0xC3};       // xor eax,eax; ret
  switch (kind) {
    case PeKind::Dll:
      return {0xB8, 1, 0, 0, 0, 0xC2, 0x0C, 0x00};  // mov eax,1; ret 12
    case PeKind::Driver:
      return {0x31, 0xC0, 0xC2, 0x08, 0x00};  // xor eax,eax; ret 8
    case PeKind::Exe:
      break;
  }
  return {0x31, 0xC0, 0xC3};
}

struct Section {
  const char* name;
  uint32_t characteristics;
  std::vector<uint8_t> data;
  uint32_t rva = 0;
  uint32_t fileOffset = 0;
};

uint32_t PeChecksum(const std::vector<uint8_t>& file, size_t checksumOffset) {
  uint64_t sum = 0;
  for (size_t i = 0; i < file.size(); i += 2) {
    if (i == checksumOffset || i == checksumOffset + 2) continue;
    uint32_t word = file[i];
    if (i + 1 < file.size()) word |= static_cast<uint32_t>(file[i + 1]) << 8;
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint32_t>(sum + file.size());
}

const uint8_t kDosStub[] = {0x0E, 0x1F, 0xBA, 0x0E, 0x00, 0xB4, 0x09, 0xCD, 0x21, 0xB8, 0x01, 0x4C, 0xCD, 0x21};
const char kDosMessage[] = "This program cannot be run in DOS mode.\r\r\n$";

}  // namespace

std::vector<uint8_t> BuildVersionInfo(const VersionInfoSpec& spec) {
  VersionNode root("VS_VERSION_INFO", 0);
  root.SetBinaryValue(FixedFileInfo(spec));
  if (!spec.stringTables.empty()) {
    VersionNode stringFileInfo("StringFileInfo", 1);
    for (const VersionStringTable& table : spec.stringTables) {
      VersionNode tableNode(TableKey(table), 1);
      for (const auto& [key, value] : table.strings) {
        VersionNode entry(key, 1);
        entry.SetTextValue(value);
        tableNode.Add(std::move(entry));
      }
      stringFileInfo.Add(std::move(tableNode));
    }
    root.Add(std::move(stringFileInfo));
  }
  if (spec.withVarFileInfo) {
    VersionNode varFileInfo("VarFileInfo", 1);
    VersionNode translation("Translation", 0);
    ByteWriter pairs;
    for (const auto& [language, codePage] : spec.translations) pairs.U16(language), pairs.U16(codePage);
    translation.SetBinaryValue(pairs.bytes());
    varFileInfo.Add(std::move(translation));
    root.Add(std::move(varFileInfo));
  }
  ByteWriter out;
  root.WriteTo(out);
  return out.bytes();
}

VersionInfoSpec SimpleVersionInfo(const std::string& fileVersionText) {
  VersionInfoSpec spec;
  uint16_t parts[4] = {};
  size_t found = 0;
  for (size_t i = 0; i < fileVersionText.size() && found < 4;) {
    if (std::isdigit(static_cast<unsigned char>(fileVersionText[i]))) {
      parts[found++] = static_cast<uint16_t>(std::strtoul(fileVersionText.c_str() + i, nullptr, 10));
      while (i < fileVersionText.size() && std::isdigit(static_cast<unsigned char>(fileVersionText[i]))) ++i;
    } else {
      ++i;
    }
  }
  spec.fileVersion = {parts[0], parts[1], parts[2], parts[3]};
  spec.productVersion = spec.fileVersion;
  spec.stringTables.push_back({0x0409, 0x04E4, {{"FileVersion", fileVersionText}}, {}});
  spec.translations.push_back({0x0409, 0x04E4});
  return spec;
}

PeImageSpec ImageWithVersion(const VersionInfoSpec& version, PeMachine machine, PeKind kind) {
  PeImageSpec spec;
  spec.machine = machine;
  spec.kind = kind;
  spec.versionResources.push_back({0x0409, BuildVersionInfo(version)});
  return spec;
}

std::string VersionedImageBytes(const std::string& version, PeKind kind, PeMachine machine) {
  PeImageSpec spec;
  if (!version.empty()) spec = ImageWithVersion(SimpleVersionInfo(version), machine, kind);
  spec.machine = machine;
  spec.kind = kind;
  const std::vector<uint8_t> bytes = BuildPeImage(spec);
  return std::string(bytes.begin(), bytes.end());
}

std::vector<uint8_t> BuildPeImage(const PeImageSpec& spec) {
  const bool pe32Plus = spec.machine == PeMachine::Amd64;

  std::vector<Section> sections;
  if (spec.withCode) sections.push_back({".text", 0x60000020, EntryCode(spec.machine, spec.kind)});
  const bool withResources = !spec.versionResources.empty();
  if (withResources) sections.push_back({".rsrc", 0x40000040, {}});

  uint32_t rva = kSectionAlignment;
  uint32_t fileOffset = kHeadersSize;
  for (Section& s : sections) {
    s.rva = rva;
    s.fileOffset = fileOffset;
    if (std::string(s.name) == ".rsrc") s.data = BuildResourceSection(spec.versionResources, rva);
    const size_t rawSize = AlignUp(s.data.size(), kFileAlignment);
    rva += static_cast<uint32_t>(AlignUp(std::max<size_t>(s.data.size(), 1), kSectionAlignment));
    fileOffset += static_cast<uint32_t>(rawSize);
  }
  const uint32_t sizeOfImage = rva;

  ByteWriter w;
  // DOS header and stub.
  w.U16(0x5A4D), w.U16(0x90), w.U16(3), w.U16(0), w.U16(4), w.U16(0), w.U16(0xFFFF), w.U16(0);
  w.U16(0xB8), w.U16(0), w.U16(0), w.U16(0), w.U16(0x40), w.U16(0);
  w.PadTo(0x3C);
  w.U32(kPeHeaderOffset);
  for (uint8_t b : kDosStub) w.U8(b);
  for (const char* p = kDosMessage; *p; ++p) w.U8(static_cast<uint8_t>(*p));
  w.PadTo(kPeHeaderOffset);

  // File header.
  uint16_t characteristics = 0x0002;              // IMAGE_FILE_EXECUTABLE_IMAGE
  characteristics |= pe32Plus ? 0x0020 : 0x0100;  // LARGE_ADDRESS_AWARE / 32BIT_MACHINE
  if (spec.kind == PeKind::Dll) characteristics |= 0x2000;
  if (spec.kind == PeKind::Exe) characteristics |= 0x0001;  // RELOCS_STRIPPED: loads at its base
  w.U32(0x00004550);
  w.U16(pe32Plus ? 0x8664 : 0x014C);
  w.U16(static_cast<uint16_t>(sections.size()));
  w.U32(0), w.U32(0), w.U32(0);
  w.U16(pe32Plus ? 240 : 224);
  w.U16(characteristics);

  // Optional header.
  const Section* text = spec.withCode ? &sections.front() : nullptr;
  uint32_t initializedData = 0;
  for (const Section& s : sections)
    if (&s != text) initializedData += static_cast<uint32_t>(AlignUp(s.data.size(), kFileAlignment));
  uint64_t imageBase = 0;
  switch (spec.kind) {
    case PeKind::Exe:
      imageBase = pe32Plus ? 0x140000000ull : 0x400000;
      break;
    case PeKind::Dll:
      imageBase = pe32Plus ? 0x180000000ull : 0x10000000;
      break;
    case PeKind::Driver:
      imageBase = pe32Plus ? 0x140000000ull : 0x10000;
      break;
  }
  w.U16(pe32Plus ? 0x20B : 0x10B);
  w.U8(2), w.U8(30);  // linker version
  w.U32(text ? static_cast<uint32_t>(AlignUp(text->data.size(), kFileAlignment)) : 0);
  w.U32(initializedData);
  w.U32(0);
  w.U32(text ? text->rva : 0);                                    // AddressOfEntryPoint
  w.U32(text ? text->rva : 0);                                    // BaseOfCode
  if (!pe32Plus) w.U32(withResources ? sections.back().rva : 0);  // BaseOfData
  if (pe32Plus)
    w.U64(imageBase);
  else
    w.U32(static_cast<uint32_t>(imageBase));
  w.U32(kSectionAlignment), w.U32(kFileAlignment);
  w.U16(pe32Plus ? 5 : 4), w.U16(pe32Plus ? 2 : 0);  // operating system version
  w.U16(0), w.U16(0);                                // image version
  w.U16(pe32Plus ? 5 : 4), w.U16(pe32Plus ? 2 : 0);  // subsystem version
  w.U32(0);
  w.U32(sizeOfImage);
  w.U32(kHeadersSize);
  const size_t checksumOffset = w.size();
  w.U32(0);
  w.U16(spec.kind == PeKind::Driver ? 1 : spec.kind == PeKind::Exe ? 3 : 2);  // native / console / GUI
  w.U16(0);
  for (uint32_t v : {0x100000u, 0x1000u, 0x100000u, 0x1000u}) pe32Plus ? w.U64(v) : w.U32(v);
  w.U32(0);
  w.U32(16);
  for (int i = 0; i < 16; ++i) {
    if (i == 2 && withResources)
      w.U32(sections.back().rva), w.U32(static_cast<uint32_t>(sections.back().data.size()));
    else
      w.U32(0), w.U32(0);
  }

  // Section table.
  for (const Section& s : sections) {
    for (size_t i = 0; i < 8; ++i)
      w.U8(i < std::char_traits<char>::length(s.name) ? static_cast<uint8_t>(s.name[i]) : 0);
    w.U32(static_cast<uint32_t>(s.data.size()));
    w.U32(s.rva);
    w.U32(static_cast<uint32_t>(AlignUp(s.data.size(), kFileAlignment)));
    w.U32(s.fileOffset);
    w.U32(0), w.U32(0), w.U16(0), w.U16(0);
    w.U32(s.characteristics);
  }
  w.PadTo(kHeadersSize);

  for (const Section& s : sections) {
    w.PadTo(s.fileOffset);
    w.Bytes(s.data);
    w.Align(kFileAlignment);
  }
  w.Bytes(spec.overlay);
  w.PadTo(spec.minimumSize);
  w.Put32(checksumOffset, PeChecksum(w.bytes(), checksumOffset));
  return w.bytes();
}

bool WriteHostFile(const std::string& hostPath, const std::vector<uint8_t>& bytes) {
  std::FILE* file = std::fopen(hostPath.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace winsim::testsupport
