#include "generic/system_directory.h"

#include <windows.h>

namespace basetdic {

bool FetchSystemDirectory(PathBuffer& directory) {
  directory.Clear();
  // The length without the terminator when it fitted; the size it needs (terminator included) when not.
  UINT length = GetSystemDirectoryA(directory.data(), static_cast<UINT>(PathBuffer::kCapacity));
  if (length == 0 || length >= PathBuffer::kCapacity) {
    directory.Clear();
    return false;
  }
  return true;
}

}  // namespace basetdic
