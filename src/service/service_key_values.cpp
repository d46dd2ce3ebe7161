#include "service/service_key_values.h"

#include <string.h>

#include "util/bounded_text.h"
#include "util/win_handles.h"

namespace basetdic {
namespace {

const char kEmptyList[2] = {'\0', '\0'};

const char* TextOrEmpty(const char* text) { return text ? text : ""; }

void SetValue(HKEY key, const char* name, DWORD type, const void* data, size_t size) {
  RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size));
}

void SetDword(HKEY key, const char* name, DWORD value) { SetValue(key, name, REG_DWORD, &value, sizeof value); }

}  // namespace

const char kRewrittenServiceKey[] = "SYSTEM\\CurrentControlSet\\Services\\ZelBase";

void RewriteDriverServiceValues(const char* displayName, const char* imagePath, DWORD startType,
                                const char* dependencies) {
  UniqueKey key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRewrittenServiceKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                      nullptr) != ERROR_SUCCESS) {
    return;
  }
  const char* display = TextOrEmpty(displayName);
  const char* image = TextOrEmpty(imagePath);
  SetValue(key.get(), "DisplayName", REG_SZ, display, strlen(display));
  SetDword(key.get(), "ErrorControl", SERVICE_ERROR_NORMAL);
  SetValue(key.get(), "ImagePath", REG_EXPAND_SZ, image, strlen(image) + 1);
  SetDword(key.get(), "Start", startType);
  SetDword(key.get(), "Type", SERVICE_KERNEL_DRIVER);
  // The buffer is zero behind the name, so it holds the name's terminator and the list's closing zero.
  PathBuffer firstDependency;
  if (firstDependency.Assign(TextOrEmpty(dependencies)) && firstDependency.size() + 2 <= PathBuffer::kCapacity) {
    SetValue(key.get(), "DependOnService", REG_MULTI_SZ, firstDependency.c_str(), firstDependency.size() + 2);
  }
  SetValue(key.get(), "DependOnGroup", REG_MULTI_SZ, kEmptyList, sizeof kEmptyList);
}

}  // namespace basetdic
