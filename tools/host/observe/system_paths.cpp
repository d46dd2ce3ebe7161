#include "observe/system_paths.h"

namespace host {

std::string ExecutablePath() {
  return FetchPath([](char* buffer, DWORD size) { return GetModuleFileNameA(nullptr, buffer, size); });
}

std::string WindowsDirectory() {
  return FetchPath([](char* buffer, DWORD size) { return static_cast<DWORD>(GetWindowsDirectoryA(buffer, size)); });
}

std::string SystemDirectory() {
  return FetchPath([](char* buffer, DWORD size) { return static_cast<DWORD>(GetSystemDirectoryA(buffer, size)); });
}

}  // namespace host
