#include "generic/device_file.h"

#include "generic/bounded_text.h"

namespace basetdic {
namespace {

// "\\.\" and up to kMaxDeviceName characters with the terminator.
using DevicePath = TextBuffer<64>;
static_assert(sizeof("\\\\.\\") - 1 + kMaxDeviceName + 1 == DevicePath::kCapacity, "the longest name fits");

}  // namespace

UniqueFile OpenDeviceFile(const char* deviceName) {
  DevicePath path;
  if (deviceName == nullptr || !path.Format("\\\\.\\%s", deviceName)) return UniqueFile();
  return UniqueFile(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace basetdic
