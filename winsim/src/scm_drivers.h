// Starting and stopping what a service stands for. A kernel driver is loaded as the kernel loads one: its
// image path is read from the service key at that moment (not from the manager's copy), resolved without
// WOW64 redirection, and the file must exist and be an image for the machine's processor (driver_image.h);
// the loaded driver then creates its device. Which device an image creates is a machine setting, by
// default the image's base name ("zelbase.sys" -> \\.\zelbase).
#ifndef WINSIM_SCM_DRIVERS_H
#define WINSIM_SCM_DRIVERS_H

#include <string>

#include "scm_database.h"

namespace winsim::detail {

// The Windows path an ImagePath names, resolved as the kernel's loader does: "C:\...", "\??\C:\...",
// "\SystemRoot\...", "%SystemRoot%\..." (and %windir%), and a relative path taken from the Windows
// directory ("System32\DRIVERS\x.sys"). Empty when it names nothing on a drive.
std::string ResolveDriverImagePath(const std::string& imagePath);

// Starts the service; 0 or the Windows error code, which the record keeps as its exit code until the next
// start or stop. The record is RUNNING afterwards on success. A driver's image must exist and be a
// loadable image for the machine's processor.
DWORD StartServiceRecord(ServiceRecord& record);
// Stops a running service: a driver unloads and its device goes.
void StopServiceRecord(ServiceRecord& record);

// Whether a running driver was loaded from this host file. Its image stays mapped while it runs, so the
// file can be neither written (ERROR_SHARING_VIOLATION) nor deleted (ERROR_ACCESS_DENIED); renaming works.
bool IsLoadedDriverImage(const std::string& hostPath);

void SetDeviceOfDriverImage(const std::string& imageFileName, const std::string& deviceName);

}  // namespace winsim::detail

#endif
