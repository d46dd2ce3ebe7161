// The host's MAX_PATH fetches: a path that fits is kept whole, one that does not is refused rather than
// cut into another path (and with it the trace file's path derived from it).
#include <gtest/gtest.h>

#include <string>

#include "observe/system_paths.h"
#include "observe/trace_file.h"
#include "temp_machine.h"

namespace {

TEST(SystemPaths, APathThatDoesNotFitIsRefusedNotCut) {
  struct Row {
    size_t length;  // of the executable's path
    bool kept;
  };
  for (const Row& row : {Row{20, true}, Row{259, true}, Row{260, false}, Row{300, false}}) {
    SCOPED_TRACE(row.length);
    winsim::MachineConfig config;
    config.executablePath = "C:\\" + std::string(row.length - 7, 'x') + ".exe";
    winsim::testsupport::TempMachine machine(config);
    EXPECT_EQ(host::ExecutablePath(), row.kept ? config.executablePath : "");
    EXPECT_EQ(host::TraceFilePath(), row.kept ? config.executablePath + ".baseTdic.txt" : "");
    EXPECT_EQ(host::WindowsDirectory(), "C:\\WINDOWS");
  }
}

}  // namespace
