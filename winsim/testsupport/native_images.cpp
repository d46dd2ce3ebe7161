#include "native_images.h"

#include "winsim/machine.h"

namespace winsim::testsupport {

PeMachine NativePeMachine() { return winsim::NativeMachineType() == 0x8664 ? PeMachine::Amd64 : PeMachine::I386; }

std::string NativeDriverBytes(const std::string& version) {
  return VersionedImageBytes(version, PeKind::Driver, NativePeMachine());
}

}  // namespace winsim::testsupport
