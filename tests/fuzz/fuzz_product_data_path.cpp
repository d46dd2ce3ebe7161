// ReadProductDataPath over arbitrary registry data and types, product keys of any length, and caller
// buffers of any capacity and initial content. The buffer is allocated at exactly its capacity, so the
// sanitizer sees any write past it; afterwards the text must be terminated within the capacity, the
// result must be its length, and a non-empty result must be the stored text with one backslash appended.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_input.h"
#include "hardening_machine.h"
#include "steps/product_data_path.h"
#include "winsim/registry.h"

using fuzz::FuzzInput;

namespace {

// Whether the library's key path for this product fits its buffer and opens.
bool KeyOpens(const std::string& productKey) {
  const std::string path = "SOFTWARE\\Qandor\\" + productKey;
  if (path.size() > 259) return false;
  winsim::QuietScope quiet;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool booted = false;
  if (!booted) {
    hardening::BootBareMachine(hardening::ConfigFor(winsim::OsWin7()));
    booted = true;
  }
  FuzzInput in(data, size);
  const uint8_t flags = in.Byte();
  const DWORD type = (flags & 0x80) ? in.Dword() : static_cast<DWORD>(flags % 12);
  const int32_t capacity = static_cast<int32_t>(in.Length());
  const char initial = static_cast<char>(in.Byte());
  std::string productKey = "zel";
  if (flags & 0x40) productKey = in.Text(in.Length());
  const std::string value = in.Rest();

  winsim::RegRemoveTree("HKLM\\SOFTWARE\\Qandor");
  if ((flags & 0x30) != 0x30) winsim::RegPutValue("HKLM\\SOFTWARE\\Qandor\\" + productKey, "datapath", type, value);

  char* buffer = static_cast<char*>(malloc(capacity > 0 ? static_cast<size_t>(capacity) : 1));
  memset(buffer, initial, capacity > 0 ? static_cast<size_t>(capacity) : 1);
  const int32_t length = basetdic::ReadProductDataPath(productKey.c_str(), buffer, capacity);
  if (capacity >= 1) {
    const size_t text = strnlen(buffer, static_cast<size_t>(capacity));
    const bool keyRead = KeyOpens(productKey);
    FUZZ_CHECK(length >= 0 && static_cast<size_t>(length) == text);
    // A value that was read is terminated within the buffer; an unread key leaves the caller's buffer.
    if (keyRead) {
      FUZZ_CHECK(text < static_cast<size_t>(capacity));
      if (length > 0) {
        const std::string stored(value.c_str(), strnlen(value.c_str(), value.size()));
        FUZZ_CHECK(buffer[length - 1] == '\\');
        FUZZ_CHECK(std::string(buffer, static_cast<size_t>(length) - 1) == stored);
      }
    }
  } else {
    FUZZ_CHECK(length == 0);
  }
  free(buffer);
  fuzz::CheckMachineClean();
  winsim::ClearCallLog();
  return 0;
}
