// The paths the system hands out in MAX_PATH buffers, all fetched through one bounded helper: a path
// that does not fit with its terminator is refused (empty), never cut into another path.
#ifndef BASETDIC_HOST_OBSERVE_SYSTEM_PATHS_H
#define BASETDIC_HOST_OBSERVE_SYSTEM_PATHS_H

#include <windows.h>

#include <string>

namespace host {

// Calls fetch(buffer, MAX_PATH) and keeps what it wrote when it fitted: a length of 1 to MAX_PATH - 1.
// GetModuleFileNameA answers a path it cut with the buffer's size, the directory and path functions with
// the size they would need; both are refused.
template <typename Fetch>
std::string FetchPath(Fetch fetch) {
  char buffer[MAX_PATH] = {};
  DWORD length = fetch(buffer, static_cast<DWORD>(MAX_PATH));
  return length > 0 && length < MAX_PATH ? std::string(buffer, length) : std::string();
}

// The host program's own path (GetModuleFileNameA of the process's executable).
std::string ExecutablePath();
std::string WindowsDirectory();
std::string SystemDirectory();

}  // namespace host

#endif
