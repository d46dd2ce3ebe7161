// winsim's observability: the call log, quiet inspection, open handles by kind and injected faults.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "temp_machine.h"

namespace {

using winsim::HandleKind;
using winsim::testsupport::TempMachine;

std::vector<std::string> Functions() {
  std::vector<std::string> names;
  for (const winsim::CallRecord& record : winsim::CallLog()) names.push_back(record.function);
  return names;
}

TEST(Observe, CallLogRecordsFunctionsAndKeyArgumentsInOrder) {
  TempMachine machine;
  uint64_t before = winsim::CallCount();
  HKEY key = nullptr;
  RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM", 0, KEY_READ, &key);
  GetFileAttributesA("C:\\WINDOWS");
  RegCloseKey(key);
  EXPECT_EQ(Functions(), (std::vector<std::string>{"RegOpenKeyExA", "GetFileAttributesA", "RegCloseKey"}));
  EXPECT_NE(winsim::CallLog()[0].arguments.find("\"SYSTEM\""), std::string::npos);
  EXPECT_EQ(winsim::CallLog()[1].arguments, "\"C:\\WINDOWS\"");
  EXPECT_EQ(winsim::CallCount(), before + 3);
  winsim::ClearCallLog();
  EXPECT_TRUE(winsim::CallLog().empty());
  EXPECT_EQ(winsim::CallCount(), before + 3) << "clearing the log keeps the count";
  SetLastError(5);
  GetLastError();
  EXPECT_TRUE(winsim::CallLog().empty()) << "the thread's error value is not an API call to log";
}

// Keys are named by path, not by handle value, so that a call reads the same on every machine.
TEST(Observe, CallLogNamesKeysByThePathTheyWereOpenedBy) {
  TempMachine machine;
  HKEY services = nullptr, created = nullptr, user = nullptr;
  RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services", 0, KEY_ALL_ACCESS, &services);
  RegCreateKeyA(services, "BaseTDI", &created);
  RegCreateKeyExA(HKEY_CURRENT_USER, "Software", 0, nullptr, 0, KEY_READ, nullptr, &user, nullptr);
  RegDeleteKeyA(created, "Enum");
  RegCloseKey(created);
  RegCloseKey(services);
  RegCloseKey(user);
  RegCloseKey(HKEY_LOCAL_MACHINE);
  std::vector<std::string> arguments;
  for (const winsim::CallRecord& record : winsim::CallLog()) arguments.push_back(record.arguments);
  EXPECT_EQ(arguments, (std::vector<std::string>{
                           "HKLM \"SYSTEM\\CurrentControlSet\\Services\" sam=0xf003f",
                           "HKLM\\SYSTEM\\CurrentControlSet\\Services \"BaseTDI\"",
                           "HKCU \"Software\" sam=0x20019",
                           "HKLM\\SYSTEM\\CurrentControlSet\\Services\\BaseTDI \"Enum\"",
                           "HKLM\\SYSTEM\\CurrentControlSet\\Services\\BaseTDI",
                           "HKLM\\SYSTEM\\CurrentControlSet\\Services",
                           "HKCU\\Software",
                           "HKLM",
                       }));
}

TEST(Observe, CallLogKeepsTheErrorEachCallFailedWith) {
  TempMachine machine;
  HKEY key = nullptr;
  HANDLE file = CreateFileA("C:\\setup\\made.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(file);
  winsim::ClearCallLog();
  DeleteFileA("C:\\nowhere.txt");                                               // 2 through last error
  RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Missing", 0, KEY_READ, &key);     // 2 as its result
  RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM", 0, KEY_READ, &key);                 // succeeds
  RegCloseKey(key);
  file = CreateFileA("C:\\setup\\made.txt", GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
  CloseHandle(file);  // OPEN_ALWAYS on an existing file succeeds though it sets ERROR_ALREADY_EXISTS
  winsim::FailNthCallOf("GetFileAttributesA", 1, ERROR_ACCESS_DENIED);
  GetFileAttributesA("C:\\setup");
  std::vector<DWORD> errors;
  for (const winsim::CallRecord& record : winsim::CallLog()) errors.push_back(record.error);
  EXPECT_EQ(errors, (std::vector<DWORD>{2, 2, 0, 0, 0, 0, 5}));
}

TEST(Observe, QuietScopeNeitherLogsNorCountsNorFaults) {
  TempMachine machine;
  winsim::FailNthCall(1, ERROR_ACCESS_DENIED);
  {
    winsim::QuietScope quiet;
    EXPECT_NE(GetFileAttributesA("C:\\WINDOWS"), INVALID_FILE_ATTRIBUTES);
    {
      winsim::QuietScope nested;
    }
    EXPECT_NE(GetFileAttributesA("C:\\WINDOWS"), INVALID_FILE_ATTRIBUTES) << "still quiet after a nested scope ends";
  }
  EXPECT_TRUE(winsim::CallLog().empty());
  EXPECT_EQ(winsim::CallCount(), 0u);
  EXPECT_EQ(GetFileAttributesA("C:\\WINDOWS"), INVALID_FILE_ATTRIBUTES) << "the fault waited for a counted call";
  EXPECT_EQ(winsim::FaultsFired(), 1u);
}

// A fault makes the chosen call fail with the chosen error: as the last error for kernel32 functions,
// as the returned code for registry functions. Every plan counts its own calls.
TEST(Observe, FaultsHitTheNthCallOfAFunctionOrOverall) {
  TempMachine machine;
  winsim::FailNthCallOf("GetFileAttributesA", 2, ERROR_SHARING_VIOLATION);
  winsim::FailNthCall(3, ERROR_NOT_ENOUGH_MEMORY);
  winsim::FailNthCallOf("RegOpenKeyExA", 1, ERROR_ACCESS_DENIED);
  HKEY key = nullptr;
  SetLastError(0xdeadbeef);
  EXPECT_NE(GetFileAttributesA("C:\\WINDOWS"), INVALID_FILE_ATTRIBUTES);                   // call 1
  EXPECT_EQ(GetFileAttributesA("C:\\WINDOWS"), INVALID_FILE_ATTRIBUTES);                   // call 2
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM", 0, KEY_READ, &key), ERROR_NOT_ENOUGH_MEMORY);  // call 3
  EXPECT_EQ(winsim::FaultsFired(), 2u) << "two plans fell due on call 3; the first scheduled one answered";
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM", 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_NE(winsim::CallLog()[1].arguments.find("injected fault 32"), std::string::npos);

  winsim::FailNthCall(2, ERROR_NOT_ENOUGH_MEMORY);
  winsim::FailNthCallOf("GetFileAttributesA", 1, ERROR_ACCESS_DENIED);
  SetLastError(0);
  EXPECT_EQ(GetFileAttributesA("C:\\WINDOWS"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(CreateFileA("C:\\x", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr), INVALID_HANDLE_VALUE)
      << "the overall plan counted the faulted call too";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_FALSE(winsim::HostFileExists("C:\\x")) << "a faulted call has no effect";

  winsim::FailNthCallOf("GetFileAttributesA", 1, ERROR_ACCESS_DENIED);
  winsim::ClearFaults();
  EXPECT_NE(GetFileAttributesA("C:\\WINDOWS"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(winsim::FaultsFired(), 4u);
}

TEST(Observe, OpenHandlesAreCountedByKindAndBootStartsEmpty) {
  TempMachine machine;
  ASSERT_TRUE(winsim::WriteHostFile("C:\\f.txt", "x"));
  HANDLE file = CreateFileA("C:\\f.txt", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  HANDLE second = CreateFileA("C:\\f.txt", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  winsim::CreateDevice("zelbase");
  HANDLE device = CreateFileA("\\\\.\\ZELBASE", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA("C:\\*", &data);
  HKEY key = nullptr;
  RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key);
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  EXPECT_EQ(winsim::OpenHandles(HandleKind::File), 2u);
  EXPECT_EQ(winsim::OpenHandles(HandleKind::Device), 1u);
  EXPECT_EQ(winsim::OpenHandles(HandleKind::Find), 1u);
  EXPECT_EQ(winsim::OpenHandles(HandleKind::Key), 1u);
  EXPECT_EQ(winsim::OpenHandles(HandleKind::Event), 1u);
  EXPECT_EQ(winsim::OpenHandles(), 6u);
  EXPECT_FALSE(CloseHandle(find)) << "a search is ended by FindClose";
  EXPECT_FALSE(FindClose(file));
  EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(file)), ERROR_INVALID_HANDLE);
  CloseHandle(file);
  CloseHandle(device);
  FindClose(find);
  RegCloseKey(key);
  EXPECT_EQ(winsim::OpenHandles(HandleKind::File), 1u);
  EXPECT_EQ(winsim::OpenHandles(), 2u);
  winsim::Boot(winsim::Config(), machine.HostRoot() + "/c");
  EXPECT_EQ(winsim::OpenHandles(), 0u);
  EXPECT_FALSE(CloseHandle(second)) << "handles do not survive a boot";
  EXPECT_FALSE(CloseHandle(event));
  EXPECT_FALSE(winsim::DeviceExists("zelbase"));
}

}  // namespace
