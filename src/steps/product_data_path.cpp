#include "steps/product_data_path.h"

#include <string.h>
#include <windows.h>

#include "generic/bounded_text.h"
#include "generic/win_handles.h"
#include "rules/product_names.h"

namespace basetdic {
namespace {

// The text's length, measured no further than the capacity (capacity itself: no terminator inside).
int32_t TextLength(const char* buffer, int32_t capacity) {
  int32_t length = 0;
  while (length < capacity && buffer[length] != '\0') ++length;
  return length;
}

void Empty(char* buffer, int32_t capacity) { memset(buffer, 0, static_cast<size_t>(capacity)); }

}  // namespace

int32_t ReadProductDataPath(const char* productKey, char* buffer, int32_t capacity) {
  if (productKey == nullptr || buffer == nullptr || capacity < 1) return 0;
  PathBuffer keyPath;
  UniqueKey key;
  if (!keyPath.Format("%s\\%s", kVendorKey, productKey) ||
      RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
    // The caller's buffer stands; its text is only measured within the capacity.
    return TextLength(buffer, capacity);
  }
  DWORD size = static_cast<DWORD>(capacity);
  const LONG queried =
      RegQueryValueExA(key.get(), kDataPathValue, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
  // Text stored without its terminator ends where the data ends.
  if (queried == ERROR_SUCCESS && size < static_cast<DWORD>(capacity)) buffer[size] = '\0';
  // The value counts only when it arrived whole with a terminator inside the buffer and the backslash
  // still fits behind it; anything else would be a different, cut-off directory.
  if (queried != ERROR_SUCCESS || TextLength(buffer, capacity) >= capacity) {
    Empty(buffer, capacity);
    return 0;
  }
  if (buffer[0] != '\0' && !AppendText(buffer, static_cast<size_t>(capacity), "\\")) return 0;
  return TextLength(buffer, capacity);
}

}  // namespace basetdic
