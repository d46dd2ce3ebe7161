#include "steps/file_version.h"

#include <windows.h>

#include "generic/bounded_text.h"
#include "generic/proc_address.h"
#include "generic/system_directory.h"
#include "generic/win_handles.h"

namespace basetdic {
namespace {

typedef DWORD(WINAPI* GetFileVersionInfoSizeAFn)(LPCSTR, LPDWORD);
typedef BOOL(WINAPI* GetFileVersionInfoAFn)(LPCSTR, DWORD, DWORD, LPVOID);
typedef BOOL(WINAPI* VerQueryValueAFn)(LPCVOID, LPCSTR, LPVOID*, PUINT);

// A zero-filled block from the process heap, released when it goes out of scope.
class HeapBlock {
 public:
  explicit HeapBlock(DWORD size) : memory_(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size)) {}
  ~HeapBlock() {
    if (memory_ != nullptr) HeapFree(GetProcessHeap(), 0, memory_);
  }
  HeapBlock(const HeapBlock&) = delete;
  HeapBlock& operator=(const HeapBlock&) = delete;
  void* get() const { return memory_; }

 private:
  void* memory_;
};

struct VersionFunctions {
  GetFileVersionInfoSizeAFn getSize;
  GetFileVersionInfoAFn getInfo;
  VerQueryValueAFn query;
};

// version.dll from the system folder, never through the DLL search order, which would take a copy
// planted beside the host's executable.
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

VersionReader::VersionReader() : getSize_(nullptr), getInfo_(nullptr), query_(nullptr) {
  if (!LoadVersionDll(&module_)) return;
  getSize_ = GetProcAddress(module_.get(), "GetFileVersionInfoSizeA");
  getInfo_ = GetProcAddress(module_.get(), "GetFileVersionInfoA");
  query_ = GetProcAddress(module_.get(), "VerQueryValueA");
}

uint32_t GetFileVersionNumber(const char* path) {
  VersionReader reader;
  return reader.Read(path);
}

uint32_t VersionReader::Read(const char* path) const {
  const VersionFunctions api = {
      ProcAs<GetFileVersionInfoSizeAFn>(getSize_),
      ProcAs<GetFileVersionInfoAFn>(getInfo_),
      ProcAs<VerQueryValueAFn>(query_),
  };
  if (api.getSize == nullptr || api.getInfo == nullptr || api.query == nullptr) return 0;
  DWORD handle = 0;
  const DWORD size = api.getSize(path, &handle);
  if (size == 0) return 0;
  HeapBlock block(size);
  if (block.get() == nullptr || !api.getInfo(path, handle, size, block.get())) return 0;

  void* pairs = nullptr;
  UINT pairBytes = 0;
  if (!api.query(block.get(), "\\VarFileInfo\\Translation", &pairs, &pairBytes) || pairBytes < 4) return 0;

  TextBuffer<256> queryPath;
  for (UINT pair = 0; pair < pairBytes / 4; ++pair) {
    uint16_t language = ReadWord(pairs, 2 * pair);
    uint16_t codePage = ReadWord(pairs, 2 * pair + 1);
    if (language >= 0x8000) {
      language = 0x0409;
      codePage = 0x04E4;
    }
    if (!queryPath.Format("\\StringFileInfo\\%04x%04x\\FileVersion", language, codePage)) return 0;
    void* text = nullptr;
    UINT textLength = 0;
    if (api.query(block.get(), queryPath.c_str(), &text, &textLength))
      return PackVersionText(static_cast<const char*>(text), textLength);
  }
  return 0;
}

}  // namespace basetdic
