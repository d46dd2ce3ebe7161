#include "session/trace_switch.h"

#include <windows.h>

#include "observe/host_files.h"

namespace host {

bool TraceSwitch::SwitchOn() {
  char windows[MAX_PATH + 1] = {};
  UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  path_ = std::string(windows, length) + "\\zel.ini";
  existed_ = ReadWholeFile(path_, &previous_);
  if (!WritePrivateProfileStringA("DEBUG", "ZEL", "1", path_.c_str())) return false;
  active_ = true;
  return true;
}

void TraceSwitch::Restore() {
  if (!active_) return;
  active_ = false;
  if (existed_) {
    WriteWholeFile(path_, previous_);
  } else {
    DeleteFileA(path_.c_str());
  }
}

}  // namespace host
