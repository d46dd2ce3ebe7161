#include "session/trace_switch.h"

#include <windows.h>

#include "observe/machine_files.h"
#include "observe/system_paths.h"
#include "rules/product_names.h"

namespace host {

bool TraceSwitch::SwitchOn() {
  std::string windows = WindowsDirectory();
  if (windows.empty()) return false;
  path_ = windows + "\\" + basetdic::kTraceSwitchFile;
  existed_ = ReadWholeFile(path_, &previous_);
  if (!WritePrivateProfileStringA(basetdic::kTraceSwitchSection, basetdic::kTraceSwitchKey, "1", path_.c_str())) return false;
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
