#include "steps/file_version.h"

#include <string.h>

#include <utility>

#include "generic/bounded_text.h"
#include "generic/proc_address.h"
#include "generic/system_directory.h"

namespace basetdic {
namespace {

bool LoadVersionDll(UniqueModule* module) {
  PathBuffer path;
  if (!FetchSystemDirectory(path) || !path.Append("\\version.dll")) return false;
  module->reset(LoadLibraryA(path.c_str()));
  return module->valid();
}

uint16_t ReadWord(const void* at, size_t index) {
  const uint8_t* bytes = static_cast<const uint8_t*>(at) + 2 * index;
  return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

}  // namespace

uint32_t PackVersionText(const char* text, size_t maxChars) {
  uint32_t packed = 0;
  uint32_t field = 0;
  for (size_t i = 0; text != nullptr && i < maxChars && text[i] != '\0'; ++i) {
    const char c = text[i];
    if (c == '.' || c == ',') {
      packed = packed * 256 + field;
      field = 0;
    } else if (c >= '0' && c <= '9') {
      field = field * 10 + static_cast<uint32_t>(c - '0');
    }
  }
  return packed * 256 + field;  // the appended '.'
}

HeapBlock::HeapBlock(DWORD size) : memory_(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size)) {}

HeapBlock& HeapBlock::operator=(HeapBlock&& other) {
  if (this != &other) {
    reset();
    memory_ = other.memory_;
    other.memory_ = nullptr;
  }
  return *this;
}

void HeapBlock::reset() {
  if (memory_ != nullptr) HeapFree(GetProcessHeap(), 0, memory_);
  memory_ = nullptr;
}

bool FileVersion::FixedFileVersion(DWORD* mostSignificant, DWORD* leastSignificant) const {
  // The file version is the third and fourth word, after the signature and the structure version.
  DWORD words[4];
  void* fixed = nullptr;
  UINT length = 0;
  if (!HasResource() || !query_(block_.get(), "\\", &fixed, &length) || fixed == nullptr || length < sizeof words)
    return false;
  memcpy(words, fixed, sizeof words);
  *mostSignificant = words[2];
  *leastSignificant = words[3];
  return true;
}

VersionReader::VersionReader() : functions_{nullptr, nullptr, nullptr} {
  if (!LoadVersionDll(&module_)) return;
  functions_.getSize = ProcAddress<decltype(functions_.getSize)>(module_.get(), "GetFileVersionInfoSizeA");
  functions_.getInfo = ProcAddress<decltype(functions_.getInfo)>(module_.get(), "GetFileVersionInfoA");
  functions_.query = ProcAddress<FileVersion::QueryFn>(module_.get(), "VerQueryValueA");
}

uint32_t GetFileVersionNumber(const char* path) {
  VersionReader reader;
  return reader.Read(path);
}

uint32_t VersionReader::Read(const char* path) const { return ReadVersion(path).Packed(); }

FileVersion VersionReader::ReadVersion(const char* path) const {
  FileVersion version(functions_.query);
  if (functions_.getSize == nullptr || functions_.getInfo == nullptr || functions_.query == nullptr) return version;
  DWORD handle = 0;
  const DWORD size = functions_.getSize(path, &handle);
  if (size == 0) return version;
  HeapBlock block(size);
  if (block.get() == nullptr || !functions_.getInfo(path, handle, size, block.get())) return version;
  version.block_ = std::move(block);

  void* pairs = nullptr;
  UINT pairBytes = 0;
  if (!functions_.query(version.block_.get(), "\\VarFileInfo\\Translation", &pairs, &pairBytes) || pairBytes < 4)
    return version;

  TextBuffer<256> queryPath;
  for (UINT pair = 0; pair < pairBytes / 4; ++pair) {
    uint16_t language = ReadWord(pairs, 2 * pair);
    uint16_t codePage = ReadWord(pairs, 2 * pair + 1);
    if (language >= 0x8000) {
      language = 0x0409;
      codePage = 0x04E4;
    }
    if (!queryPath.Format("\\StringFileInfo\\%04x%04x\\FileVersion", language, codePage)) return version;
    void* text = nullptr;
    UINT textLength = 0;
    if (functions_.query(version.block_.get(), queryPath.c_str(), &text, &textLength)) {
      version.pair_ = static_cast<int>(pair);
      version.language_ = language;
      version.codePage_ = codePage;
      version.text_ = static_cast<const char*>(text);
      version.textLength_ = textLength;
      return version;
    }
  }
  return version;
}

}  // namespace basetdic
