// What the kernel's loader asks of a driver image before the driver runs. Windows refuses a file that is
// not a PE image, a PE image for another processor, and one whose headers or sections run past the end
// of the file (STATUS_INVALID_IMAGE_NOT_MZ, _WIN_64, _WIN_32, _FORMAT); the service manager reports each
// as ERROR_BAD_EXE_FORMAT.
#ifndef WINSIM_DRIVER_IMAGE_H
#define WINSIM_DRIVER_IMAGE_H

#include <string>

#include "windows.h"

namespace winsim::detail {

// NO_ERROR when the host file holds a loadable driver image for this machine's processor
// (winsim::NativeMachineType), ERROR_BAD_EXE_FORMAT otherwise.
DWORD DriverImageError(const std::string& hostPath);

}  // namespace winsim::detail

#endif
