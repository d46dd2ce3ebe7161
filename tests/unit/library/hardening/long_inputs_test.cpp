// Long and hostile inputs at and past every buffer bound: the system directory, the setup directory, the
// product data path, a module name of 300 characters, "FileVersion" texts of 127, 128 and 1000
// characters, and "nSon" values at the ends of its range or of the wrong size. Whatever does not fit is
// refused, never cut into another path or command line; nothing is written past a buffer (the sanitizer
// build runs these too).
#include <gtest/gtest.h>

#include <strings.h>

#include <filesystem>
#include <string>
#include <vector>

#include "hardening_machine.h"
#include "steps/file_version.h"
#include "winsim/modules.h"
#include "winsim/processes.h"
#include "winsim/registry.h"

namespace hardening {
namespace {

// A Windows path of exactly `length` characters beginning with `start`, in components of at most 100
// characters so that each stays within the host's own name limit.
std::string PathOfLength(const std::string& start, size_t length) {
  std::string path = start;
  size_t run = 0;
  while (path.size() < length) {
    if (run == 99 && path.size() + 1 < length) {
      path += '\\';
      run = 0;
    } else {
      path += static_cast<char>('a' + path.size() % 26);
      ++run;
    }
  }
  return path;
}

// Host files below drive C: whose name is this (any case), as Windows paths relative to the drive.
std::vector<std::string> FilesNamed(const std::string& name) {
  std::vector<std::string> found;
  std::error_code ignored;
  for (auto it = std::filesystem::recursive_directory_iterator(HostRoot() + "/c", ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    std::string file = it->path().filename().string();
    if (file.size() == name.size() && strncasecmp(file.c_str(), name.c_str(), name.size()) == 0)
      found.push_back(it->path().string().substr(HostRoot().size() + 2));
  }
  return found;
}

bool Called(const char* function) {
  for (const winsim::CallRecord& call : winsim::CallLog())
    if (call.function == function) return true;
  return false;
}

struct Outcome {
  uint32_t result;
  uint32_t pending;
};

Outcome Install(const char* module, const std::string& setupDir = kSetupDir) {
  ModuleObj* object = NewModule(module, true, setupDir);
  StatusOf(object).result = 7;
  StatusOf(object).pending = 7;
  winsim::ClearCallLog();
  TableOf(object).InstallDriver(object);
  Outcome outcome{StatusOf(object).result, StatusOf(object).pending};
  Release(object);
  return outcome;
}

// The system directory's length decides which of the paths built on it fit 259 characters: the driver
// path adds 20 ("\drivers\basetdi.sys"), version.dll's path 12; the directory itself must fit the
// 259-byte buffer it is fetched into.
TEST(LongInputs, SystemDirectoryAtAndPastEveryBound) {
  const struct {
    size_t length;
    bool driverPathFits;
    bool versionDllReachable;
  } rows[] = {
      {238, true, true},  {239, true, true},   {240, false, true},  {247, false, true},
      {248, false, false}, {258, false, false}, {259, false, false}, {300, false, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("system directory of " + std::to_string(row.length) + " characters");
    winsim::MachineConfig config = ConfigFor(winsim::OsNt40());
    config.windowsDirectory = PathOfLength("C:\\W", row.length - 9);  // + "\system32"
    BootDeployMachine(config);
    ASSERT_EQ(winsim::SystemDirectory().size(), row.length);

    Outcome outcome = Install("FwBaseNt");
    EXPECT_EQ(outcome.result, 1u);
    EXPECT_EQ(outcome.pending, 0u);
    EXPECT_EQ(StoredCount(), 1) << "the registration does not depend on the path";
    EXPECT_EQ(TdiDriverExists(), row.driverPathFits);
    EXPECT_EQ(FilesNamed("basetdi.sys").size(), row.driverPathFits ? 1u : 0u) << "no driver under a cut path";
    EXPECT_EQ(Called("CreateServiceA"), row.driverPathFits) << "no service for an image path that does not fit";

    // The version of a file is read only through version.dll of the system folder, never another one.
    PutVersionedFile("C:\\v.sys", "2.1.0.0");
    EXPECT_EQ(basetdic::GetFileVersionNumber("C:\\v.sys"), row.versionDllReachable ? 0x02010000u : 0u);
    EXPECT_EQ(winsim::UsageOf("version.dll").loads, winsim::UsageOf("version.dll").frees);
    EXPECT_EQ(winsim::OpenHandles(), 0u);
  }
}

TEST(LongInputs, SystemDirectoryPastTheBoundOnNt5CopiesAndRegistersNothingUnderACutName) {
  winsim::MachineConfig config = ConfigFor(winsim::OsWinXp());
  config.windowsDirectory = PathOfLength("C:\\W", 240 - 9);
  BootDeployMachine(config);
  Outcome outcome = Install("FwBase2K");
  EXPECT_EQ(outcome.result, 1u);
  EXPECT_EQ(outcome.pending, 0u);
  EXPECT_TRUE(FilesNamed("zelbase.sys").size() == 1u) << "only the setup copy";
  EXPECT_EQ(winsim::OpenHandles(), 0u);
}

// The setup directory: a setup file's path adds 12 ("\zelbase.sys", "\snetcfg.exe"); the directory
// itself must be shorter than 260 characters to be taken at all.
TEST(LongInputs, SetupDirectoryAtAndPastEveryBound) {
  const struct {
    size_t length;
    bool taken;       // InsertFile keeps it as the setup directory
    bool pathsFit;    // setup-file paths fit 259 characters
  } rows[] = {{247, true, true}, {248, true, false}, {259, true, false}, {260, false, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE("setup directory of " + std::to_string(row.length) + " characters");
    const std::string setupDir = PathOfLength("C:\\S", row.length);

    // The kernel service on XP copies "zelbase.sys" from the setup directory.
    BootDeployMachine(ConfigFor(winsim::OsWinXp()), setupDir);
    // A decoy where the driver's path cut at 259 characters would point.
    if (setupDir.size() + 1 < 259 && setupDir.size() + 12 > 259)
      winsim::WriteHostFile((setupDir + "\\zelbase.sys").substr(0, 259), "decoy");
    Outcome outcome = Install("FwBase2K", setupDir);
    EXPECT_EQ(outcome.result, row.taken ? 1u : 7u);
    EXPECT_EQ(outcome.pending, row.taken ? 0u : 7u);
    EXPECT_EQ(winsim::HostFileExists(winsim::SystemDirectory() + "\\drivers\\zelbase.sys"), row.pathsFit);
    EXPECT_EQ(winsim::OpenHandles(), 0u);

    // The network component on Windows 7 runs "snetcfg.exe" from it.
    BootDeployMachine(ConfigFor(winsim::OsWin7()), setupDir);
    outcome = Install("FwBaseVt", setupDir);
    if (!row.taken) {
      EXPECT_EQ(outcome.result, 7u) << "no setup directory: nothing is done";
    } else {
      EXPECT_EQ(outcome.result, row.pathsFit ? 1u : 0u) << "a tool path that does not fit cannot be launched";
      EXPECT_EQ(outcome.pending, 1u);
    }
    EXPECT_EQ(winsim::Launches().size(), row.pathsFit ? 1u : 0u);
    EXPECT_EQ(winsim::OpenHandles(), 0u);
  }
}

// The product data path: the value takes a backslash and must leave room for the terminator in 260
// bytes (258 characters); a package file adds 11 ("zelbase.inf"); the tool's command line
// " -l <path>zelbase.inf -c s -i QD_ZelBase" adds 23 more and must fit 259 characters.
TEST(LongInputs, DataPathAtAndPastEveryBound) {
  const struct {
    size_t length;
    bool read;          // fits the data-path buffer
    bool packageFits;   // the package's paths fit
    bool commandFits;   // the tool's command line fits
  } rows[] = {
      {224, true, true, true},    {225, true, true, false},    {247, true, true, false},
      {248, true, false, false},  {258, true, false, false},   {259, false, false, false},
      {300, false, false, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("data path of " + std::to_string(row.length) + " characters");
    BootDeployMachine(ConfigFor(winsim::OsWin7()));
    const std::string dataPath = PathOfLength("C:\\D", row.length);
    winsim::RegPutString(kDataPathKey, "datapath", dataPath);
    winsim::WriteHostFile(dataPath + "\\.keep", "");

    Outcome outcome = Install("FwBaseVt");
    EXPECT_EQ(outcome.result, row.commandFits ? 1u : 0u);
    EXPECT_EQ(outcome.pending, row.read ? 1u : 7u) << "a data path that does not fit counts as missing";
    EXPECT_EQ(winsim::HostFileExists(dataPath + "\\zelbase.inf"), row.packageFits);
    EXPECT_EQ(FilesNamed("zelbase.inf").size(), row.packageFits ? 2u : 1u) << "no package file under a cut name";
    std::vector<winsim::LaunchRecord> launches = winsim::Launches();
    ASSERT_EQ(launches.size(), row.commandFits ? 1u : 0u);
    if (row.commandFits)
      EXPECT_EQ(launches[0].commandLine.value_or(""), " -l " + dataPath + "\\zelbase.inf -c s -i QD_ZelBase");
    EXPECT_EQ(winsim::OpenHandles(), 0u);
  }
}

// "datapath" as setups have been seen to leave it: without its terminator, or of another type. The type
// is not examined; what fits is the path, and a value that reads as empty is a missing data path.
TEST(LongInputs, DataPathWithoutTerminatorOrOfTheWrongType) {
  const struct {
    const char* what;
    DWORD type;
    std::string data;
    bool read;
  } rows[] = {
      {"text without terminator", REG_SZ, "C:\\ProgramData\\Qandor", true},
      {"binary text without terminator", REG_BINARY, "C:\\ProgramData\\Qandor", true},
      {"a list", REG_MULTI_SZ, std::string("C:\\ProgramData\\Qandor\0\0", 23), true},
      {"a DWORD 0 reads as empty", REG_DWORD, winsim::DwordBytes(0), false},
      {"258 bytes without terminator", REG_SZ, std::string(258, 'x'), true},
      {"259 bytes without terminator", REG_SZ, std::string(259, 'x'), false},
      {"binary longer than the buffer", REG_BINARY, std::string(4096, 'B'), false},
      {"no data", REG_SZ, "", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    BootDeployMachine(ConfigFor(winsim::OsWin7()));
    winsim::RegPutValue(kDataPathKey, "datapath", row.type, row.data);
    Outcome outcome = Install("FwBaseVt");
    EXPECT_EQ(outcome.pending, row.read ? 1u : 7u);
    if (!row.read) EXPECT_EQ(outcome.result, 0u);
    if (row.read && row.data.size() < 200) {
      EXPECT_EQ(outcome.result, 1u);
      EXPECT_TRUE(winsim::HostFileExists("C:\\ProgramData\\Qandor\\zelbase.inf"));
    }
    EXPECT_EQ(winsim::OpenHandles(), 0u);
  }
}

TEST(LongInputs, ModuleNameOfThreeHundredCharactersIsNoKindAndIsTracedCut) {
  BootDeployMachine(ConfigFor(winsim::OsNt40()));
  SwitchTraceOn();
  const std::string name = "FwBaseNt" + std::string(292, 'n');
  ModuleObj* object = NewModule(name.c_str());
  StatusOf(object).pending = 7;
  TableOf(object).InstallDriver(object);
  EXPECT_EQ(StatusOf(object).result, 1u);
  EXPECT_EQ(StatusOf(object).pending, 0u) << "no branch for an unknown kind";
  TableOf(object).StartDriver(object, 0);
  TableOf(object).RemoveDriver(object);
  Release(object);
  EXPECT_FALSE(TdiKeyExists());
  EXPECT_FALSE(TdiDriverExists());
  const std::string trace = TraceText();
  EXPECT_NE(trace.find("ModuleName:" + name.substr(0, 259) + "-> File:"), std::string::npos);
  EXPECT_EQ(trace.find(name.substr(0, 260)), std::string::npos) << "the name keeps 259 characters";
  EXPECT_EQ(winsim::OpenHandles(), 0u);
}

// A "FileVersion" of 127 characters or more packs like any other: the last four fields decide.
TEST(LongInputs, FileVersionOf127And128And1000Characters) {
  for (size_t length : {127u, 128u, 1000u}) {
    SCOPED_TRACE("FileVersion of " + std::to_string(length) + " characters");
    BootDeployMachine(ConfigFor(winsim::OsWinXp()));
    const std::string newer = std::string(length - 7, ' ') + "9.0.0.0";
    const std::string dotted = std::string(length - 7, '.').replace(0, 2, "7,") + "0.0.0.2";
    ASSERT_EQ(newer.size(), length);
    ASSERT_EQ(dotted.size(), length);
    PutVersionedFile("C:\\newer.sys", newer);
    PutVersionedFile("C:\\dotted.sys", dotted);
    EXPECT_EQ(basetdic::GetFileVersionNumber("C:\\newer.sys"), 0x09000000u);
    EXPECT_EQ(basetdic::GetFileVersionNumber("C:\\dotted.sys"), 0x00000002u);

    // An installed driver whose long version is newer stays; an update replaces an older one.
    const std::string installed = winsim::SystemDirectory() + "\\drivers\\zelbase.sys";
    PutVersionedFile(installed, newer);
    ModuleObj* object = NewModule("FwBase2K");
    TableOf(object).UpdateDriver(object);
    EXPECT_EQ(basetdic::GetFileVersionNumber(installed.c_str()), 0x09000000u) << "the newer driver stays";
    PutVersionedFile(installed, dotted);
    TableOf(object).UpdateDriver(object);
    Release(object);
    EXPECT_EQ(basetdic::GetFileVersionNumber(installed.c_str()), 0x01000001u) << "the setup copy replaced it";
    EXPECT_EQ(winsim::UsageOf("version.dll").loads, winsim::UsageOf("version.dll").frees);
    EXPECT_EQ(winsim::OpenHandles(), 0u);
  }
}

// The reference count at the ends of its range and stored with the wrong size.
TEST(LongInputs, CountOfZeroOneTopAndEightBytes) {
  const struct {
    const char* what;
    DWORD type;
    std::string data;
    long long afterAcquire;  // what one install leaves
    long long afterRelease;  // what one remove leaves; -1: key and driver gone
  } rows[] = {
      {"0", REG_DWORD, winsim::DwordBytes(0), 1, -1},
      {"1", REG_DWORD, winsim::DwordBytes(1), 2, -1},
      {"0xFFFFFFFF", REG_DWORD, winsim::DwordBytes(0xFFFFFFFFu), 0xFFFFFFFFll, 0xFFFFFFFEll},
      {"8 bytes", REG_BINARY, std::string("\x05\0\0\0\x05\0\0\0", 8), 1, -1},
      {"2 bytes", REG_BINARY, std::string("\x03\0", 2), 4, 2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string("nSon stored as ") + row.what);
    for (bool acquire : {true, false}) {
      BootDeployMachine(ConfigFor(winsim::OsNt40()));
      winsim::CreateDevice("baseTdi");  // the driver is up: its image is not in use by a loaded driver
      PutVersionedFile(winsim::SystemDirectory() + "\\drivers\\basetdi.sys", "1.0.0.1");
      winsim::RegPutValue(kTdiKey, "nSon", row.type, row.data);
      ModuleObj* object = NewModule("FwBaseNt");
      if (acquire)
        TableOf(object).InstallDriver(object);
      else
        TableOf(object).RemoveDriver(object);
      Release(object);
      long long expected = acquire ? row.afterAcquire : row.afterRelease;
      if (expected < 0) {
        EXPECT_FALSE(TdiKeyExists());
        EXPECT_FALSE(TdiDriverExists());
      } else {
        EXPECT_EQ(StoredCount(), expected) << (acquire ? "acquire" : "release");
        EXPECT_TRUE(TdiDriverExists());
      }
      EXPECT_EQ(winsim::OpenHandles(), 0u);
    }
  }
}

}  // namespace
}  // namespace hardening
