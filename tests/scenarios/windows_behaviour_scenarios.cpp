// The Windows behaviour that tells whether a driver came up and why not, checked the same way on winsim
// and under Wine: which files the kernel loads as a driver and the error a start gives for the others,
// the error the service keeps from its last failed start, the type the service manager writes ImagePath
// with, and the error GetPrivateProfileIntA leaves.
#include <gtest/gtest.h>

#include <cstring>

#include "pe_image_writer.h"
#include "scenario_checks.h"
#include "scenario_platform.h"
#include "wine_gap.h"

namespace scenarios {
namespace {

using winsim::testsupport::PeKind;
using winsim::testsupport::PeMachine;

const char kStartErrorGap[] = "a driver that does not load fails to start with 1114, whatever the cause";
const char kExitCodeGap[] = "a service keeps no exit code from a failed start (dwWin32ExitCode 0)";
const char kImagePathTypeGap[] = "CreateServiceA writes ImagePath as REG_SZ";
// Wine runs a driver in a helper process as wide as the image: in a 64-bit prefix a 32-bit process's
// services load 32-bit drivers and refuse 64-bit ones, the reverse of 64-bit Windows.
const char kWow64DriverGap[] = "a WOW64 prefix loads the 32-bit driver and refuses the 64-bit one";
// Wine maps what the file holds and does not check its sections against the file's size: the i686
// stand-in cut in half loses only its relocations, which a driver loaded at its base does not need.
const char kCutImageGap[] = "32-bit Wine loads the stand-in driver cut in half";
const char kServicesKey[] = "SYSTEM\\CurrentControlSet\\Services\\";

bool OnWine(const MachineFacade& machine) { return machine.PlatformName() == "wine"; }
bool IsWin9x(const std::string& version) { return version == "win98"; }
bool HasWow64(const std::string& version) { return version == "winxp" || version == "win7"; }

// ---- driver images, made from the machine's own stand-in driver ----

WORD MachineOf(const std::string& image) {
  if (image.size() < 0x40) return 0;
  DWORD peOffset = 0;
  memcpy(&peOffset, image.data() + 0x3C, sizeof peOffset);
  WORD machine = 0;
  if (peOffset + 6 <= image.size()) memcpy(&machine, image.data() + peOffset + 4, sizeof machine);
  return machine;
}

// A linked driver image for the processor the loadable one is not built for.
std::string OtherProcessorsImage(const std::string& loadable) {
  PeMachine other = MachineOf(loadable) == 0x014C ? PeMachine::Amd64 : PeMachine::I386;
  auto spec = winsim::testsupport::ImageWithVersion(winsim::testsupport::SimpleVersionInfo("1.0.0.1"), other,
                                                    PeKind::Driver);
  spec.withCode = true;
  std::vector<uint8_t> bytes = winsim::testsupport::BuildPeImage(spec);
  return std::string(bytes.begin(), bytes.end());
}

std::string RandomBytes(const std::string&) {
  std::string bytes(1536, '\0');
  unsigned state = 0x2545F491u;
  for (char& byte : bytes) byte = static_cast<char>((state = state * 1103515245u + 12345u) >> 16);
  return bytes;
}

std::string CutInHalf(const std::string& loadable) { return loadable.substr(0, loadable.size() / 2); }
std::string Unchanged(const std::string& loadable) { return loadable; }

struct ImageRow {
  const char* name;
  std::string (*make)(const std::string& loadable);  // null: no file at all
  DWORD error;                                       // NO_ERROR: the driver starts
  bool processorRow;                                 // the row turns on the image's processor
  bool cut;                                          // the row cuts the stand-in short
};

const ImageRow kImageRows[] = {
    {"the stand-in driver", Unchanged, NO_ERROR, true, false},
    {"a driver for the other processor", OtherProcessorsImage, ERROR_BAD_EXE_FORMAT, true, false},
    {"random bytes", RandomBytes, ERROR_BAD_EXE_FORMAT, false, false},
    {"the stand-in driver cut in half", CutInHalf, ERROR_BAD_EXE_FORMAT, false, true},
    {"no file", nullptr, ERROR_FILE_NOT_FOUND, false, false},
};

// A demand-start kernel-driver service of the test's own, stopped and deleted again when it goes.
class DriverService {
 public:
  DriverService(const std::string& name, const std::string& image) {
    manager_ = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    service_ = CreateServiceA(manager_, name.c_str(), name.c_str(), SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                              SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, image.c_str(), nullptr, nullptr, nullptr,
                              nullptr, nullptr);
  }
  ~DriverService() {
    SERVICE_STATUS status = {};
    if (service_ && ControlService(service_, SERVICE_CONTROL_STOP, &status)) {
      for (int wait = 0; wait < 40 && QueryServiceStatus(service_, &status) &&
                         status.dwCurrentState != SERVICE_STOPPED;
           ++wait)
        Sleep(50);
    }
    if (service_) DeleteService(service_);
    if (service_) CloseServiceHandle(service_);
    if (manager_) CloseServiceHandle(manager_);
  }
  DriverService(const DriverService&) = delete;
  DriverService& operator=(const DriverService&) = delete;

  SC_HANDLE get() const { return service_; }

 private:
  SC_HANDLE manager_ = nullptr;
  SC_HANDLE service_ = nullptr;
};

class WindowsBehaviourScenario : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override { machine = MakeMachine(GetParam()); }
  std::unique_ptr<MachineFacade> machine;
};

TEST_P(WindowsBehaviourScenario, OnlyADriverForTheMachinesProcessorStartsAndTheServiceKeepsTheError) {
  if (IsWin9x(GetParam())) GTEST_SKIP() << "no service manager on the Windows 95 family";
  const bool onWine = OnWine(*machine);
  int ran = 0;
  for (bool wow64 : {false, true}) {
    if (wow64 && !HasWow64(GetParam())) continue;
    if (!machine->RunUnderWow64(wow64)) continue;
    ++ran;
    const std::string setup = machine->MakeSetupFolder("1.0.0.1", "1.0.0.1");
    const std::string loadable = ReadWholeFile(setup + "\\zelbase.sys");
    ASSERT_FALSE(loadable.empty());
    for (const ImageRow& row : kImageRows) {
      SCOPED_TRACE(std::string(row.name) + (wow64 ? ", WOW64" : ""));
      const bool wrongWidth = onWine && wow64 && row.processorRow;
      // There Wine would load the 32-bit image, and this one has no unload routine: it would stay loaded.
      if (wrongWidth && row.error != NO_ERROR) continue;
      // A folder of the row's own; the file keeps the stand-in's name, which names its device on winsim.
      const std::string folder = setup + "\\row" + std::to_string(&row - kImageRows);
      ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
      const std::string image = folder + "\\zelbase.sys";
      if (row.make) WriteWholeFile(image, row.make(loadable));
      const std::string name = "BaseTdiCImage" + std::to_string(&row - kImageRows);
      DriverService service(name, image);
      ASSERT_NE(service.get(), nullptr) << "CreateServiceA: " << GetLastError();

      SetLastError(0xdeadbeef);
      const bool started = StartServiceA(service.get(), 0, nullptr) != FALSE;
      const DWORD error = GetLastError();
      const char* startGap = wrongWidth                               ? kWow64DriverGap
                             : row.cut && On32BitWine(*machine) && !wow64 ? kCutImageGap
                                                                          : nullptr;
      EXPECT_WINE_GAP(startGap != nullptr, startGap ? startGap : "", EXPECT_EQ(started, row.error == NO_ERROR));
      if (startGap) continue;
      SERVICE_STATUS status = {};
      ASSERT_TRUE(QueryServiceStatus(service.get(), &status));
      EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(started ? SERVICE_RUNNING : SERVICE_STOPPED));
      if (row.error == NO_ERROR) {
        EXPECT_EQ(status.dwWin32ExitCode, static_cast<DWORD>(NO_ERROR));
        EXPECT_TRUE(DeviceOpens("zelbase"));
        RegistryValue path = ReadValue(kServicesKey + name, "ImagePath");
        EXPECT_WINE_GAP(onWine, kImagePathTypeGap, EXPECT_EQ(path.type, static_cast<DWORD>(REG_EXPAND_SZ)));
        EXPECT_EQ(path.bytes, image + '\0');
        continue;
      }
      EXPECT_WINE_GAP(onWine, kStartErrorGap, EXPECT_EQ(error, row.error));
      EXPECT_WINE_GAP(onWine, kExitCodeGap, EXPECT_EQ(status.dwWin32ExitCode, row.error));
    }
  }
  if (ran == 0) GTEST_SKIP() << "no run applies to this process";
}

// The library's own install with a setup copy of the driver that is no image at all: it reports success,
// as its rules say, and the machine shows the truth: the service is registered, stopped, and keeps the
// loader's error.
TEST_P(WindowsBehaviourScenario, KernelServiceInstallWithAGarbageImageLeavesTheServiceWithTheLoadersError) {
  if (GetParam() != "win2k" && GetParam() != "winxp") GTEST_SKIP() << "the kernel service is deployed on NT 5.x";
  if (!machine->RunUnderWow64(false)) GTEST_SKIP() << "a WOW64 install copies no driver";
  const std::string setup = machine->MakeSetupFolder("1.0.0.1", "");
  WriteWholeFile(setup + "\\zelbase.sys", RandomBytes(""));
  ModuleStatus status;
  {
    HostSession session(*machine, "FwBase2K", setup);
    status = session.Install();
  }
  EXPECT_EQ(status.result, 1u);
  ServiceView service = ReadService("ZelBase");
  EXPECT_TRUE(service.exists);
  EXPECT_EQ(service.state, static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_FALSE(DeviceOpens("zelbase"));
  EXPECT_WINE_GAP(OnWine(*machine), kExitCodeGap,
                  EXPECT_EQ(service.exitCode, static_cast<DWORD>(ERROR_BAD_EXE_FORMAT)));
}

TEST_P(WindowsBehaviourScenario, ProfileReadLeavesTheErrorOfOpeningTheFile) {
  char windows[MAX_PATH] = {};
  ASSERT_NE(GetWindowsDirectoryA(windows, sizeof windows), 0u);
  const std::string present = std::string(windows) + "\\basetdic-probe.ini";
  WriteWholeFile(present, "[DEBUG]\r\nZEL=1\r\n");
  const struct {
    const char* file;
    const char* key;
    UINT value;
    DWORD error;
  } rows[] = {
      {"basetdic-probe.ini", "ZEL", 1, ERROR_SUCCESS},
      {"basetdic-probe.ini", "OTHER", 7, ERROR_SUCCESS},
      {"basetdic-absent.ini", "ZEL", 7, ERROR_FILE_NOT_FOUND},
      {"C:\\basetdic-absent\\zel.ini", "ZEL", 7, ERROR_PATH_NOT_FOUND},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.file) + " " + row.key);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetPrivateProfileIntA("DEBUG", row.key, 7, row.file), row.value);
    EXPECT_EQ(GetLastError(), row.error);
  }
  DeleteFileA(present.c_str());
}

INSTANTIATE_TEST_SUITE_P(Windows, WindowsBehaviourScenario, ::testing::ValuesIn(VersionsUnderTest()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
}  // namespace scenarios
