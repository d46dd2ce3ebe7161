// Arbitrary bytes as the files whose versions the driver copy compares. The first byte chooses how they
// are presented: as a whole file; as the RT_VERSION resource of an otherwise well-formed PE image; or as
// a version tree built from input-chosen texts and translations. Each is read by winsim's
// version-resource reader (locating the resource, copying the block as GetFileVersionInfoA does, and
// queries as VerQueryValueA answers them) and by the library's GetFileVersionNumber through the API.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "hardening_machine.h"
#include "pe_image_writer.h"
#include "steps/file_version.h"
#include "version_resource.h"
#include "winsim/machine.h"

using fuzz::FuzzInput;
namespace ts = winsim::testsupport;

namespace {

const char* const kQueries[] = {"\\",
                                "\\VarFileInfo\\Translation",
                                "\\StringFileInfo\\040904e4\\FileVersion",
                                "\\StringFileInfo\\040904b0\\FileVersion",
                                "\\StringFileInfo",
                                "\\\\\\",
                                "StringFileInfo\\040904E4\\fileversion",
                                ""};

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

// The reader over the file's bytes, without the API: every query on a block of the size the API gives.
void ReadDirectly(const std::vector<uint8_t>& file, FuzzInput& in) {
  auto span = winsim::detail::FindVersionResource(file.data(), file.size());
  if (!span) return;
  uint32_t blockSize = winsim::detail::VersionInfoBlockSize(span->size);
  // Callers may hand GetFileVersionInfoA a smaller block than asked for.
  if (in.Byte() & 1) blockSize = in.Word();
  if (blockSize > (1u << 20)) return;
  std::vector<uint8_t> block(blockSize);
  winsim::detail::CopyVersionInfoBlock(file.data(), file.size(), *span, block.data(), block.size());
  for (const char* query : kQueries) winsim::detail::QueryVersionValueA(block.data(), block.size(), query);
  std::string own = in.Text(in.Length() % 300);
  winsim::detail::QueryVersionValueA(block.data(), block.size(), own.c_str());
}

ts::VersionInfoSpec TreeFrom(FuzzInput& in) {
  ts::VersionInfoSpec spec;
  unsigned tables = in.Byte() % 3;
  for (unsigned t = 0; t < tables; ++t) {
    ts::VersionStringTable table;
    table.language = in.Word();
    table.codePage = in.Word();
    unsigned strings = in.Byte() % 4;
    for (unsigned s = 0; s < strings; ++s) {
      std::string key = (in.Byte() & 1) ? "FileVersion" : in.Text(in.Length() % 40);
      table.strings.emplace_back(key, in.Text(in.Length()));
    }
    spec.stringTables.push_back(table);
  }
  unsigned pairs = in.Byte() % 4;
  for (unsigned p = 0; p < pairs; ++p) spec.translations.emplace_back(in.Word(), in.Word());
  spec.withVarFileInfo = (in.Byte() & 3) != 0;
  return spec;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool booted = false;
  if (!booted) {
    hardening::BootBareMachine(hardening::ConfigFor(winsim::OsWinXp()));
    booted = true;
  }
  FuzzInput in(data, size);
  const uint8_t mode = in.Byte();
  std::vector<uint8_t> file;
  switch (mode % 3) {
    case 0: file = Bytes(in.Rest()); break;
    case 1: {
      ts::PeImageSpec spec;
      spec.machine = (mode & 0x10) ? ts::PeMachine::Amd64 : ts::PeMachine::I386;
      spec.kind = ts::PeKind::Driver;
      std::string resource = in.Rest();
      spec.versionResources.push_back(ts::VersionResource{0x0409, Bytes(resource)});
      file = ts::BuildPeImage(spec);
      break;
    }
    default: {
      ts::PeImageSpec spec = ts::ImageWithVersion(TreeFrom(in), ts::PeMachine::I386, ts::PeKind::Driver);
      file = ts::BuildPeImage(spec);
      break;
    }
  }
  FuzzInput queries(data, size);
  ReadDirectly(file, queries);

  // The library's reading through version.dll, on the same file.
  winsim::WriteHostFile("C:\\fuzz.sys", std::string(file.begin(), file.end()));
  basetdic::GetFileVersionNumber("C:\\fuzz.sys");
  fuzz::CheckMachineClean();
  winsim::ClearCallLog();  // one machine serves every run: keep its log from growing
  return 0;
}
