// Shared helpers of the service tests: a machine per test that must end with no service-manager, service
// or device handle open, the trace file, driver images and the call log's service-manager calls.
#ifndef BASETDIC_TESTS_UNIT_SERVICE_SERVICE_TEST_SUPPORT_H
#define BASETDIC_TESTS_UNIT_SERVICE_SERVICE_TEST_SUPPORT_H

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "native_images.h"
#include "temp_machine.h"
#include "winsim/registry.h"
#include "winsim/services.h"

namespace servicetest {

inline const DWORD kSentinel = 0xdeadbeef;
inline const char kTraceFile[] = "C:\\setup\\setup.exe.baseTdic.txt";
inline const char kServicesKey[] = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\";

// The service-manager calls in the call log, in order.
inline std::vector<std::string> ServiceManagerCalls() {
  static const char* const kFunctions[] = {"OpenSCManagerA", "CreateServiceA", "OpenServiceA",   "StartServiceA",
                                           "ControlService", "DeleteService",  "CloseServiceHandle"};
  std::vector<std::string> calls;
  for (const winsim::CallRecord& record : winsim::CallLog()) {
    for (const char* function : kFunctions) {
      if (record.function == function) calls.push_back(record.function);
    }
  }
  return calls;
}

inline std::string TraceText() {
  std::string text;
  return winsim::ReadHostFile(kTraceFile, &text) ? text : std::string();
}

// The messages of the trace's records, without their time stamps.
inline std::vector<std::string> TraceMessages() {
  std::vector<std::string> messages;
  std::string text = TraceText();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    std::string record = text.substr(start, end - start);
    size_t separator = record.find(" : ");
    messages.push_back(separator == std::string::npos ? record : record.substr(separator + 3));
    start = end + 2;
  }
  return messages;
}

class ServiceTest : public ::testing::Test {
 protected:
  explicit ServiceTest(const winsim::OsVersion& os = winsim::OsWinXp()) : machine(winsim::testsupport::ConfigFor(os)) {}

  void TearDown() override {
    EXPECT_EQ(winsim::OpenHandles(winsim::HandleKind::ServiceManager), 0u) << "a manager handle was left open";
    EXPECT_EQ(winsim::OpenHandles(winsim::HandleKind::Service), 0u) << "a service handle was left open";
    EXPECT_EQ(winsim::OpenHandles(winsim::HandleKind::Device), expectedDeviceHandles)
        << "a device handle was left open";
  }

  void SwitchTraceOn() { ASSERT_TRUE(winsim::WriteHostFile("C:\\WINDOWS\\zel.ini", "[DEBUG]\r\nZEL=1\r\n")); }

  // Places a driver image in the system driver directory and returns its full path.
  std::string PlaceDriver(const std::string& fileName) {
    std::string path = winsim::SystemDirectory() + "\\drivers\\" + fileName;
    EXPECT_TRUE(winsim::WriteHostFile(path, winsim::testsupport::NativeDriverBytes("")));
    return path;
  }

  // Registers a kernel-driver service outside the code under test (quietly), optionally starting it.
  void Register(const std::string& name, const std::string& imagePath, bool start, const char* displayName = nullptr) {
    winsim::QuietScope quiet;
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = CreateServiceA(manager, name.c_str(), displayName ? displayName : name.c_str(),
                                       SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START,
                                       SERVICE_ERROR_NORMAL, imagePath.c_str(), nullptr, nullptr, nullptr, nullptr,
                                       nullptr);
    ASSERT_NE(service, nullptr) << name;
    if (start) {
      ASSERT_TRUE(StartServiceA(service, 0, nullptr)) << name;
    }
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
  }

  // The manager's configuration of a service, read quietly.
  struct Config {
    bool found = false;
    DWORD type = 0, start = 0, errorControl = 0;
    std::string imagePath, displayName, dependencies;  // dependencies with their zeros
  };
  Config ConfigOf(const std::string& name) {
    winsim::QuietScope quiet;
    Config config;
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = OpenServiceA(manager, name.c_str(), SERVICE_QUERY_CONFIG);
    char buffer[4096];
    DWORD needed = 0;
    auto* query = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer);
    if (service && QueryServiceConfigA(service, query, sizeof buffer, &needed)) {
      config.found = true;
      config.type = query->dwServiceType;
      config.start = query->dwStartType;
      config.errorControl = query->dwErrorControl;
      config.imagePath = query->lpBinaryPathName;
      config.displayName = query->lpDisplayName;
      const char* end = query->lpDependencies;
      while (*end) end += strlen(end) + 1;
      config.dependencies.assign(query->lpDependencies, static_cast<size_t>(end + 1 - query->lpDependencies));
    }
    if (service) CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return config;
  }

  winsim::testsupport::TempMachine machine;
  size_t expectedDeviceHandles = 0;
};

}  // namespace servicetest

#endif
