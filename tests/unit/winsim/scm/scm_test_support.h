// Shared helpers of the service control manager tests: a machine per test, a manager handle, and a
// driver image placed where a service can load it.
#ifndef BASETDIC_TESTS_UNIT_SCM_SCM_TEST_SUPPORT_H
#define BASETDIC_TESTS_UNIT_SCM_SCM_TEST_SUPPORT_H

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "native_images.h"
#include "temp_machine.h"
#include "winsim/registry.h"
#include "winsim/services.h"

namespace scmtest {

inline const char kServicesKey[] = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\";
inline const DWORD kSentinel = 0xdeadbeef;

class ScmTest : public ::testing::Test {
 protected:
  void SetUp() override { manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS); }
  void TearDown() override {
    if (manager) CloseServiceHandle(manager);
  }

  // Places a driver image in the system driver directory and returns its full Windows path.
  std::string PlaceDriver(const std::string& fileName) {
    std::string path = winsim::SystemDirectory() + "\\drivers\\" + fileName;
    EXPECT_TRUE(winsim::WriteHostFile(path, winsim::testsupport::NativeDriverBytes("")));
    return path;
  }

  SC_HANDLE CreateDriver(const std::string& name, const std::string& imagePath,
                         DWORD startType = SERVICE_DEMAND_START, const char* dependencies = nullptr) {
    return CreateServiceA(manager, name.c_str(), name.c_str(), SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER, startType,
                          SERVICE_ERROR_NORMAL, imagePath.c_str(), nullptr, nullptr, dependencies, nullptr, nullptr);
  }

  // Creates a service and closes the handle at once; true when it was created.
  bool CreateDriverAndClose(const std::string& name, const std::string& imagePath,
                            DWORD startType = SERVICE_DEMAND_START) {
    SC_HANDLE service = CreateDriver(name, imagePath, startType);
    if (service) CloseServiceHandle(service);
    return service != nullptr;
  }

  winsim::testsupport::TempMachine machine{winsim::testsupport::ConfigFor(winsim::OsWinXp())};
  SC_HANDLE manager = nullptr;
};

inline std::string Bytes(const char* text, size_t size) { return std::string(text, size); }

}  // namespace scmtest

#endif
