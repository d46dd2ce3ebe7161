#include "service/service_key_values.h"

#include <string.h>

#include "generic/bounded_text.h"
#include "generic/registry_values.h"
#include "generic/win_handles.h"
#include "rules/product_names.h"

namespace basetdic {
namespace {

const char kEmptyList[2] = {'\0', '\0'};

}  // namespace

void RewriteDriverServiceValues(const char* displayName, const char* imagePath, DWORD startType,
                                const char* dependencies) {
  UniqueKey key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kDriverServiceKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                      nullptr) != ERROR_SUCCESS) {
    return;
  }
  const char* display = TextOrEmpty(displayName);
  const char* image = TextOrEmpty(imagePath);
  SetRegistryValue(key.get(), "DisplayName", REG_SZ, display, strlen(display));
  SetDword(key.get(), "ErrorControl", SERVICE_ERROR_NORMAL);
  SetRegistryValue(key.get(), "ImagePath", REG_EXPAND_SZ, image, strlen(image) + 1);
  SetDword(key.get(), "Start", startType);
  SetDword(key.get(), "Type", SERVICE_KERNEL_DRIVER);
  // The buffer is zero behind the name, so it holds the name's terminator and the list's closing zero.
  PathBuffer firstDependency;
  if (firstDependency.Assign(TextOrEmpty(dependencies)) && firstDependency.size() + 2 <= PathBuffer::kCapacity) {
    SetRegistryValue(key.get(), "DependOnService", REG_MULTI_SZ, firstDependency.c_str(), firstDependency.size() + 2);
  }
  SetRegistryValue(key.get(), "DependOnGroup", REG_MULTI_SZ, kEmptyList, sizeof kEmptyList);
}

}  // namespace basetdic
