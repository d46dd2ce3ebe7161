// Call logs in the form two machines can be compared in: one line per call, "Function arguments = error",
// with what differs between machines and not between libraries replaced: the setup folder, the Windows
// and system directories, handle values, and the case of letters (Windows names ignore it).
#ifndef BASETDIC_TESTS_SUPPORT_SWEEP_CALL_LOG_TEXT_H
#define BASETDIC_TESTS_SUPPORT_SWEEP_CALL_LOG_TEXT_H

#include <string>
#include <vector>

#include "call_recorder.h"

namespace sweep {

struct MachinePaths {
  std::string setupFolder;       // becomes <setup>
  std::string windowsDirectory;  // becomes <windows>
  std::string systemDirectory;   // becomes <system>
};

// The paths of the machine this process runs on, with the given setup folder.
MachinePaths PathsOfThisMachine(const std::string& setupFolder);

std::vector<std::string> ComparableCalls(const std::vector<RecordedCall>& calls, const MachinePaths& paths);

}  // namespace sweep

#endif
