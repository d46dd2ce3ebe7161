#include "temp_machine.h"

#include <stdlib.h>

#include <filesystem>

namespace winsim::testsupport {

TempMachine::TempMachine(const MachineConfig& config) {
  std::string pattern = (std::filesystem::temp_directory_path() / "winsim-XXXXXX").string();
  if (mkdtemp(pattern.data()) != nullptr) root_ = pattern;
  Boot(config, root_ + "/c");
}

TempMachine::~TempMachine() {
  std::error_code ignored;
  if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
}

MachineConfig ConfigFor(const OsVersion& os, bool wow64) {
  MachineConfig config;
  config.os = os;
  config.wow64 = wow64;
  return config;
}

}  // namespace winsim::testsupport
