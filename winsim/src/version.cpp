// version.dll: GetFileVersionInfoSizeA, GetFileVersionInfoA and VerQueryValueA over the files of the
// simulated disk. Files are opened through the file layer (paths, WOW64 redirection, share modes and error
// codes as CreateFileA has them) with read access and read/write sharing, as version.dll opens them; the
// bytes are read by version_resource.
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "api_call.h"
#include "machine_state.h"
#include "version_resource.h"
#include "winsim/observe.h"

#ifndef ERROR_INVALID_DATA
#define ERROR_INVALID_DATA 13L
#endif
#ifndef ERROR_RESOURCE_DATA_NOT_FOUND
#define ERROR_RESOURCE_DATA_NOT_FOUND 1812L
#endif

using winsim::detail::ApiCall;
using winsim::detail::Arg;

namespace winsim::detail {
namespace {

// The sizes callers gave GetFileVersionInfoA for their most recent blocks, so VerQueryValueA, which gets
// no size, stays inside the block even when the tree's own length claims more. Callers free their blocks
// without telling version.dll, so only the latest few are kept (the newest first): a long-running caller
// must not make the table grow without end.
constexpr size_t kKnownBlocks = 16;
std::deque<std::pair<const void*, size_t>>& KnownBlocks() {
  static std::deque<std::pair<const void*, size_t>> blocks;
  return blocks;
}
const bool registered = OnBoot([] { KnownBlocks().clear(); });

void RememberBlock(const void* block, size_t size) {
  auto& blocks = KnownBlocks();
  for (auto it = blocks.begin(); it != blocks.end();) it = it->first == block ? blocks.erase(it) : it + 1;
  blocks.emplace_front(block, size);
  if (blocks.size() > kKnownBlocks) blocks.pop_back();
}

const size_t* KnownSizeOf(const void* block) {
  for (const auto& known : KnownBlocks())
    if (known.first == block) return &known.second;
  return nullptr;
}

// Reads a whole file through the file layer without logging the inner calls. False leaves CreateFileA's
// (or ReadFile's) error as the thread's last error.
bool ReadWholeFile(const char* fileName, std::vector<uint8_t>* bytes) {
  QuietScope quiet;
  HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  DWORD size = GetFileSize(file, nullptr);
  bytes->assign(size == INVALID_FILE_SIZE ? 0 : size, 0);
  DWORD read = 0;
  if (!bytes->empty()) ok = ReadFile(file, bytes->data(), static_cast<DWORD>(bytes->size()), &read, nullptr) != FALSE;
  bytes->resize(read);
  DWORD error = GetLastError();
  CloseHandle(file);
  SetLastError(error);
  return ok;
}

// The file's bytes and where its version resource lies; false with the thread's last error set.
bool LoadVersionResource(const char* fileName, std::vector<uint8_t>* bytes, VersionResourceSpan* span) {
  if (!ReadWholeFile(fileName, bytes)) return false;
  auto found = FindVersionResource(bytes->data(), bytes->size());
  if (!found) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return false;
  }
  *span = *found;
  return true;
}

}  // namespace
}  // namespace winsim::detail

using namespace winsim::detail;

extern "C" {

DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR fileName, LPDWORD handle) {
  ApiCall call("GetFileVersionInfoSizeA", Arg(fileName));
  if (handle) *handle = 0;
  if (call.Fault()) return 0;
  if (fileName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (*fileName == '\0') {
    SetLastError(ERROR_BAD_PATHNAME);
    return 0;
  }
  std::vector<uint8_t> bytes;
  VersionResourceSpan span;
  if (!LoadVersionResource(fileName, &bytes, &span)) return 0;
  SetLastError(ERROR_SUCCESS);
  return VersionInfoBlockSize(span.size);
}

BOOL WINAPI GetFileVersionInfoA(LPCSTR fileName, DWORD, DWORD length, LPVOID data) {
  ApiCall call("GetFileVersionInfoA", Arg(fileName) + ", " + std::to_string(length));
  if (call.Fault()) return FALSE;
  if (data == nullptr) {
    SetLastError(ERROR_INVALID_DATA);
    return FALSE;
  }
  if (fileName == nullptr || *fileName == '\0') {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  std::vector<uint8_t> bytes;
  VersionResourceSpan span;
  if (!LoadVersionResource(fileName, &bytes, &span)) return FALSE;
  CopyVersionInfoBlock(bytes.data(), bytes.size(), span, static_cast<uint8_t*>(data), length);
  RememberBlock(data, length);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL WINAPI VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT length) {
  ApiCall call("VerQueryValueA", Arg(subBlock));
  if (call.Fault()) return FALSE;
  if (block == nullptr) return FALSE;
  // Without a known size, trust the tree as Windows does: its length, its converted copy and "FE2X".
  const uint8_t* bytes = static_cast<const uint8_t*>(block);
  size_t size = 2 * static_cast<size_t>(bytes[0] | (bytes[1] << 8)) + 4;
  if (const size_t* known = KnownSizeOf(block)) size = std::min(size, *known);
  VersionQueryResult result = QueryVersionValueA(const_cast<uint8_t*>(bytes), size, subBlock);
  if (length) *length = result.length;
  if (result.lastError) SetLastError(result.lastError);
  if (result.found && buffer) *buffer = result.value;
  return result.found ? TRUE : FALSE;
}

}  // extern "C"
