// What the kernel's loader makes of the file a driver service names, on 32-bit Windows and on 64-bit
// Windows (a WOW64 machine): only an image for the machine's own processor loads, anything else fails
// with ERROR_BAD_EXE_FORMAT, a missing file with ERROR_FILE_NOT_FOUND, and the service keeps the error of
// its last failed start as its exit code, at boot as well.
#include "scm_test_support.h"

namespace {

using scmtest::kSentinel;
using scmtest::ScmTest;
using winsim::testsupport::NativeDriverBytes;
using winsim::testsupport::PeKind;
using winsim::testsupport::PeMachine;
using winsim::testsupport::VersionedImageBytes;

std::string OtherProcessorsDriver() {
  PeMachine other = winsim::testsupport::NativePeMachine() == PeMachine::I386 ? PeMachine::Amd64 : PeMachine::I386;
  return VersionedImageBytes("1.0.0.1", PeKind::Driver, other);
}

std::string Garbage() {
  std::string bytes(1536, '\0');
  unsigned state = 0x2545F491u;
  for (char& byte : bytes) byte = static_cast<char>((state = state * 1103515245u + 12345u) >> 16);
  return bytes;
}

struct ImageCase {
  const char* name;
  std::string (*bytes)();  // null: no file at all
  DWORD error;             // 0: the driver loads
};

const ImageCase kImageCases[] = {
    {"native image", [] { return NativeDriverBytes("1.0.0.1"); }, NO_ERROR},
    {"image for the other processor", OtherProcessorsDriver, ERROR_BAD_EXE_FORMAT},
    {"random bytes", Garbage, ERROR_BAD_EXE_FORMAT},
    {"cut inside its sections", [] { std::string b = NativeDriverBytes("1.0.0.1"); return b.substr(0, b.size() / 2); },
     ERROR_BAD_EXE_FORMAT},
    {"cut inside its PE headers", [] { return NativeDriverBytes("").substr(0, 0x90); }, ERROR_BAD_EXE_FORMAT},
    {"empty file", [] { return std::string(); }, ERROR_BAD_EXE_FORMAT},
    {"no file", nullptr, ERROR_FILE_NOT_FOUND},
};

TEST_F(ScmTest, OnlyAnImageForTheMachinesProcessorLoadsAndTheServiceKeepsTheStartError) {
  for (bool wow64 : {false, true}) {
    winsim::SetWow64(wow64);
    for (const ImageCase& row : kImageCases) {
      SCOPED_TRACE(std::string(row.name) + (wow64 ? ", 64-bit Windows" : ", 32-bit Windows"));
      // A folder of the row's own, outside the system directory that WOW64 would redirect.
      const std::string folder = "C:\\images\\" + std::to_string(&row - kImageCases) + (wow64 ? "w" : "");
      const std::string path = folder + "\\zelbase.sys";
      if (row.bytes) ASSERT_TRUE(winsim::WriteHostFile(path, row.bytes()));
      SC_HANDLE service = CreateDriver("zelbase", path, SERVICE_AUTO_START);
      ASSERT_NE(service, nullptr);
      SetLastError(kSentinel);
      EXPECT_EQ(StartServiceA(service, 0, nullptr) != FALSE, row.error == NO_ERROR);
      SERVICE_STATUS status = {};
      ASSERT_TRUE(QueryServiceStatus(service, &status));
      EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(row.error == NO_ERROR ? SERVICE_RUNNING : SERVICE_STOPPED));
      EXPECT_EQ(status.dwWin32ExitCode, row.error);
      EXPECT_EQ(winsim::DeviceExists("zelbase"), row.error == NO_ERROR);
      if (row.error != NO_ERROR) {
        EXPECT_EQ(GetLastError(), row.error);
        // Loaded at boot, the driver fails the same way and the service keeps that error too.
        winsim::RebootMachine();
        manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        service = OpenServiceA(manager, "zelbase", SERVICE_ALL_ACCESS);
        ASSERT_TRUE(QueryServiceStatus(service, &status));
        EXPECT_EQ(status.dwWin32ExitCode, row.error) << "after boot";
      } else {
        ASSERT_TRUE(ControlService(service, SERVICE_CONTROL_STOP, &status));
        EXPECT_EQ(status.dwWin32ExitCode, static_cast<DWORD>(NO_ERROR));
      }
      ASSERT_TRUE(DeleteService(service));
      CloseServiceHandle(service);
    }
  }
}

// A key saved before the manager wrote ImagePath as REG_EXPAND_SZ holds it as REG_SZ: it still loads.
TEST_F(ScmTest, ImagePathStoredAsPlainTextStillLoads) {
  PlaceDriver("zelbase.sys");
  winsim::RegPutDword(std::string(scmtest::kServicesKey) + "zelbase", "Type", SERVICE_KERNEL_DRIVER);
  winsim::RegPutDword(std::string(scmtest::kServicesKey) + "zelbase", "Start", SERVICE_DEMAND_START);
  winsim::RegPutString(std::string(scmtest::kServicesKey) + "zelbase", "ImagePath", "System32\\drivers\\zelbase.sys");
  CloseServiceHandle(manager);
  winsim::RebootMachine();
  manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE service = OpenServiceA(manager, "zelbase", SERVICE_START);
  EXPECT_TRUE(StartServiceA(service, 0, nullptr));
  CloseServiceHandle(service);
}

}  // namespace
