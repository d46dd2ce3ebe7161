// Images for the simulated machine's own processor, the one its kernel drivers must be built for: i386 on
// 32-bit Windows, AMD64 on 64-bit Windows (a WOW64 machine).
#ifndef WINSIM_TESTSUPPORT_NATIVE_IMAGES_H
#define WINSIM_TESTSUPPORT_NATIVE_IMAGES_H

#include <string>

#include "pe_image_writer.h"

namespace winsim::testsupport {

PeMachine NativePeMachine();

// A kernel-driver image that loads on the machine as it is configured now (VersionedImageBytes).
std::string NativeDriverBytes(const std::string& version);

}  // namespace winsim::testsupport

#endif
