// Writes small but well-formed PE images (i386 or AMD64, DLL, EXE or driver) that carry a VERSIONINFO
// resource built from chosen parts: fixed version, string tables per translation with any keys, and a
// "\VarFileInfo\Translation" table that need not match the string tables. Tests and the demo's setup
// files use these images; Windows' (and Wine's) version functions read them like any linked binary.
#ifndef WINSIM_TESTSUPPORT_PE_IMAGE_WRITER_H
#define WINSIM_TESTSUPPORT_PE_IMAGE_WRITER_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace winsim::testsupport {

enum class PeMachine { I386, Amd64 };
enum class PeKind { Dll, Exe, Driver };

// Four 16-bit parts of a fixed version, most significant first: {7, 0, 0, 26} is 7.0.0.26.
struct FourPartVersion {
  uint16_t major = 0;
  uint16_t minor = 0;
  uint16_t build = 0;
  uint16_t revision = 0;
};

struct VersionStringTable {
  uint16_t language = 0x0409;
  uint16_t codePage = 0x04E4;
  // Key and value pairs in the order written; text is UTF-8 and stored as UTF-16.
  std::vector<std::pair<std::string, std::string>> strings;
  // When set, written as the table's key instead of the eight lower-case hex digits of the pair.
  std::string keyOverride;
};

struct VersionInfoSpec {
  FourPartVersion fileVersion;
  FourPartVersion productVersion;
  uint32_t fileFlags = 0;
  uint32_t fileOs = 0x00040004;  // VOS_NT_WINDOWS32
  uint32_t fileType = 2;         // VFT_DLL
  uint32_t fileSubtype = 0;
  // Written as one StringFileInfo block; none means no StringFileInfo block at all.
  std::vector<VersionStringTable> stringTables;
  // (language, code page) pairs of "\VarFileInfo\Translation", in order.
  std::vector<std::pair<uint16_t, uint16_t>> translations;
  bool withVarFileInfo = true;  // false: no VarFileInfo block, so no translation table
};

// One RT_VERSION resource (id 1) in one language; the bytes are written as given.
struct VersionResource {
  uint16_t language = 0x0409;
  std::vector<uint8_t> data;
};

struct PeImageSpec {
  PeMachine machine = PeMachine::I386;
  PeKind kind = PeKind::Dll;
  bool withCode = false;                          // a .text section holding an entry point that returns success
  std::vector<VersionResource> versionResources;  // none: the image has no resource section
  std::vector<uint8_t> overlay;                   // bytes after the last section, outside any section
  size_t minimumSize = 0;                         // the file is padded with zeros up to this size
};

// The VS_VERSIONINFO tree for spec, laid out as resource compilers lay it out: string values count
// their terminator in wValueLength.
std::vector<uint8_t> BuildVersionInfo(const VersionInfoSpec& spec);

// A spec whose single string table and translation are (0x0409, 1252) with "FileVersion" set to
// fileVersionText, and whose fixed version holds the first four numbers found in that text.
VersionInfoSpec SimpleVersionInfo(const std::string& fileVersionText);

// The image's bytes, with the PE checksum filled in.
std::vector<uint8_t> BuildPeImage(const PeImageSpec& spec);

// Convenience: an image with one English (United States) version resource built from version.
PeImageSpec ImageWithVersion(const VersionInfoSpec& version, PeMachine machine = PeMachine::I386,
                             PeKind kind = PeKind::Dll);

// The bytes of an image of this kind and machine whose only version resource carries "FileVersion" version
// (see SimpleVersionInfo); an empty version gives an image without version resource. The fixtures' setup
// files and installed drivers are written with it.
std::string VersionedImageBytes(const std::string& version, PeKind kind = PeKind::Driver,
                                PeMachine machine = PeMachine::I386);

// Writes bytes to a host file, replacing it. Returns false when the file cannot be written.
bool WriteHostFile(const std::string& hostPath, const std::vector<uint8_t>& bytes);

}  // namespace winsim::testsupport

#endif
