// Opening the device a driver creates, by its name: \\.\NAME for reading and writing, without sharing.
#ifndef BASETDIC_GENERIC_DEVICE_FILE_H
#define BASETDIC_GENERIC_DEVICE_FILE_H

#include "generic/win_handles.h"

namespace basetdic {

// The longest device name whose path "\\.\NAME" fits the 64-byte device path buffer.
constexpr int kMaxDeviceName = 59;

// The device's handle, or an empty one when it did not open. A null name, or one longer than
// kMaxDeviceName, is refused before anything is called.
UniqueFile OpenDeviceFile(const char* deviceName);

}  // namespace basetdic

#endif
