// winsim's registry as the library relies on it: names without case but with their own, exact bytes
// and types, access checks, deletion rules and the sizes reported to callers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "temp_machine.h"
#include "winsim/registry.h"

namespace {

using winsim::testsupport::TempMachine;

const char kServices[] = "SYSTEM\\CurrentControlSet\\Services";

class RegistryTest : public ::testing::Test {
 protected:
  TempMachine machine;
  HKEY Open(const char* path, REGSAM access, LONG expected = ERROR_SUCCESS) {
    HKEY key = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0xdeadbeef));
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, access, &key), expected) << path;
    return key;
  }
  HKEY Create(const char* path) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    return key;
  }
};

TEST_F(RegistryTest, NamesAreMatchedWithoutCaseAndKeptAsCreated) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\ZelBase", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  RegCloseKey(key);
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "system\\currentcontrolset\\services\\ZELBASE", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  DWORD start = 2;
  EXPECT_EQ(RegSetValueExA(key, "Start", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&start), 4), ERROR_SUCCESS);
  DWORD three = 3;
  EXPECT_EQ(RegSetValueExA(key, "START", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&three), 4), ERROR_SUCCESS);
  RegCloseKey(key);
  std::vector<std::string> subkeys = winsim::RegSubkeys(std::string("HKLM\\") + kServices);
  EXPECT_EQ(subkeys, std::vector<std::string>{"ZelBase"});
  std::vector<winsim::RegValue> values = winsim::RegValues("HKLM\\SYSTEM\\CurrentControlSet\\Services\\zelbase");
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(values[0].name, "Start") << "a value keeps the name it was first written with";
  EXPECT_EQ(winsim::DwordOf(values[0].data), 3u);
  HKEY opened = Open("SYSTEM\\CURRENTCONTROLSET\\SERVICES\\zelbase", KEY_READ);
  RegCloseKey(opened);
}

TEST_F(RegistryTest, EnumerationFollowsWindowsOrder) {
  for (const char* name : {"b", "A_B", "aab", "Zed", "a"})
    RegCloseKey(Create((std::string("SOFTWARE\\Order\\") + name).c_str()));
  HKEY key = Open("SOFTWARE\\Order", KEY_READ);
  std::vector<std::string> names;
  char name[8];
  for (DWORD index = 0;; ++index) {
    DWORD size = sizeof name;
    LONG status = RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(status, ERROR_SUCCESS);
    EXPECT_EQ(size, strlen(name));
    names.push_back(name);
  }
  // Sorted by the upper-cased name: '_' sorts after the letters.
  EXPECT_EQ(names, (std::vector<std::string>{"a", "aab", "A_B", "b", "Zed"}));
  DWORD tiny = 3;
  EXPECT_EQ(RegEnumKeyExA(key, 1, name, &tiny, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  RegCloseKey(key);
}

// Values keep their type and exactly the bytes written, except the one byte NT itself adds: text whose
// count leaves out a terminator that follows in memory gets it back.
TEST_F(RegistryTest, ValuesKeepTypeAndExactBytes) {
  HKEY key = Create("SOFTWARE\\Values");
  const char text[] = "FullString";
  const char multi[] = "Tcpip\0Afd\0";  // with the list's closing zero: 11 bytes and the literal's own
  const BYTE binary[] = {0x00, 0xff, 0x10, 0x00};
  struct Row {
    const char* name;
    DWORD type;
    const void* data;
    DWORD size;
    std::string stored;
  } rows[] = {
      {"Text", REG_SZ, text, 11, std::string(text, 11)},
      {"OffByOne", REG_SZ, text, 10, std::string(text, 11)},
      {"OffByTwo", REG_SZ, text, 9, std::string(text, 9)},
      {"Expand", REG_EXPAND_SZ, "%SystemRoot%\\x", 14, std::string("%SystemRoot%\\x", 15)},
      {"Multi", REG_MULTI_SZ, multi, 11, std::string(multi, 11)},
      {"MultiShort", REG_MULTI_SZ, multi, 10, std::string(multi, 10)},
      {"Empty", REG_SZ, "", 0, std::string()},
      {"Binary", REG_BINARY, binary, 3, std::string("\x00\xff\x10", 3)},
      {"", REG_SZ, "default", 8, std::string("default", 8)},
  };
  for (const Row& row : rows) {
    ASSERT_EQ(RegSetValueExA(key, row.name, 0, row.type, static_cast<const BYTE*>(row.data), row.size), ERROR_SUCCESS);
    winsim::RegValue stored;
    ASSERT_TRUE(winsim::RegGetValue("HKLM\\SOFTWARE\\Values", row.name, &stored)) << row.name;
    EXPECT_EQ(stored.type, row.type) << row.name;
    EXPECT_EQ(stored.data, row.stored) << row.name;
    DWORD type = 0, size = 0;
    SetLastError(0xdeadbeef);
    EXPECT_EQ(RegQueryValueExA(key, row.name, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), 0xdeadbeefu) << "a successful query leaves the last error alone";
    EXPECT_EQ(size, row.stored.size()) << row.name;
    EXPECT_EQ(type, row.type) << row.name;
  }
  RegCloseKey(key);
}

// The query reports the size it needs when the buffer is short and writes nothing then; a text value
// without terminator gets one behind the data when there is room, and nothing beyond.
TEST_F(RegistryTest, QuerySizesAndTerminators) {
  HKEY key = Create("SOFTWARE\\Values");
  ASSERT_EQ(RegSetValueExA(key, "Short", 0, REG_SZ, reinterpret_cast<const BYTE*>("FullString"), 9), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, "Whole", 0, REG_SZ, reinterpret_cast<const BYTE*>("FullString"), 11), ERROR_SUCCESS);
  DWORD dword = 0x12345678;
  ASSERT_EQ(RegSetValueExA(key, "Dword", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dword), 4), ERROR_SUCCESS);
  struct Row {
    const char* name;
    DWORD capacity;
    LONG status;
    DWORD size;
    std::string buffer;  // the first capacity + 2 bytes afterwards; 0xbd is the filler
  } rows[] = {
      {"Short", 8, ERROR_MORE_DATA, 9, std::string(10, '\xbd')},
      {"Short", 9, ERROR_SUCCESS, 9, "FullStrin\xbd\xbd"},
      {"Short", 10, ERROR_SUCCESS, 9, std::string("FullStrin\0\xbd\xbd", 12)},
      {"Whole", 10, ERROR_MORE_DATA, 11, std::string(12, '\xbd')},
      {"Whole", 12, ERROR_SUCCESS, 11, std::string("FullString\0\xbd\xbd\xbd", 14)},
      {"Dword", 3, ERROR_MORE_DATA, 4, std::string(5, '\xbd')},
      {"Dword", 6, ERROR_SUCCESS, 4, std::string("\x78\x56\x34\x12\xbd\xbd\xbd\xbd", 8)},
  };
  for (const Row& row : rows) {
    std::string buffer(row.capacity + 2, '\xbd');
    DWORD size = row.capacity;
    EXPECT_EQ(RegQueryValueExA(key, row.name, nullptr, nullptr, reinterpret_cast<BYTE*>(&buffer[0]), &size), row.status)
        << row.name << "/" << row.capacity;
    EXPECT_EQ(size, row.size) << row.name << "/" << row.capacity;
    EXPECT_EQ(buffer, row.buffer) << row.name << "/" << row.capacity;
  }
  EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
}

TEST_F(RegistryTest, AccessRightsOfAKeyHandle) {
  RegCloseKey(Create("SOFTWARE\\Rights"));
  winsim::RegPutDword("HKLM\\SOFTWARE\\Rights", "v", 1);
  struct Row {
    REGSAM access;
    bool query, set, enumerate, createSub;
  } rows[] = {
      {KEY_READ, true, false, true, false},       {KEY_WRITE, false, true, false, true},
      {KEY_QUERY_VALUE, true, false, false, false}, {KEY_SET_VALUE, false, true, false, false},
      {KEY_ALL_ACCESS, true, true, true, true},   {GENERIC_READ, true, false, true, false},
      {GENERIC_WRITE, false, true, false, true},  {KEY_READ | KEY_WOW64_64KEY, true, false, true, false},
  };
  for (const Row& row : rows) {
    HKEY key = Open("SOFTWARE\\Rights", row.access);
    DWORD size = 0, one = 1;
    char name[8];
    DWORD nameSize = sizeof name;
    HKEY sub = nullptr;
    auto expect = [](bool allowed) { return allowed ? ERROR_SUCCESS : ERROR_ACCESS_DENIED; };
    EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, &size), expect(row.query))
        << std::hex << row.access;
    EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4), expect(row.set))
        << std::hex << row.access;
    EXPECT_EQ(RegEnumValueA(key, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr), expect(row.query))
        << std::hex << row.access;
    LONG enumerated = RegEnumKeyExA(key, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(enumerated, row.enumerate ? ERROR_NO_MORE_ITEMS : ERROR_ACCESS_DENIED) << std::hex << row.access;
    EXPECT_EQ(RegCreateKeyExA(key, "Sub", 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr), expect(row.createSub))
        << std::hex << row.access;
    if (sub) {
      RegCloseKey(sub);
      RegDeleteKeyA(key, "Sub");
    }
    RegCloseKey(key);
  }
  EXPECT_EQ(winsim::OpenHandles(winsim::HandleKind::Key), 0u);
}

TEST_F(RegistryTest, DeleteKeyRefusesSubkeysRootsAndMissingKeys) {
  RegCloseKey(Create("SYSTEM\\CurrentControlSet\\Services\\BaseTDI\\Enum"));
  HKEY services = Open(kServices, KEY_ALL_ACCESS);
  EXPECT_EQ(RegDeleteKeyA(services, "basetdi"), ERROR_ACCESS_DENIED) << "a key with subkeys stays";
  EXPECT_TRUE(winsim::RegKeyExists("HKLM\\SYSTEM\\CurrentControlSet\\Services\\BaseTDI\\Enum"));
  EXPECT_EQ(RegDeleteKeyA(services, "BaseTDI\\ENUM"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(services, "BaseTDI\\Enum"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyA(services, "BASETDI"), ERROR_SUCCESS);
  EXPECT_FALSE(winsim::RegKeyExists("HKLM\\SYSTEM\\CurrentControlSet\\Services\\BaseTDI"));
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyA(services, nullptr), ERROR_INVALID_PARAMETER);
  RegCloseKey(services);
  EXPECT_EQ(RegDeleteValueA(HKEY_LOCAL_MACHINE, "nothing"), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, HandlesToADeletedKey) {
  HKEY key = Create("SOFTWARE\\Doomed");
  winsim::RegPutDword("HKLM\\SOFTWARE\\Doomed", "v", 1);
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Doomed"), ERROR_SUCCESS);
  DWORD size = 0, one = 1;
  HKEY sub = nullptr;
  EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCreateKeyExA(key, "Sub", 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  RegCloseKey(Create("SOFTWARE\\Doomed"));
  EXPECT_FALSE(winsim::RegGetValue("HKLM\\SOFTWARE\\Doomed", "v", nullptr)) << "a new key of the same name is empty";
}

TEST_F(RegistryTest, OpenAndCreateErrors) {
  Open("SOFTWARE\\Absent", KEY_READ, ERROR_FILE_NOT_FOUND);
  Open("\\SOFTWARE", KEY_READ, ERROR_BAD_PATHNAME);
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x1234)), "x", 0, KEY_READ, &key),
            ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Qandor\\zel", &key), ERROR_SUCCESS);
  EXPECT_TRUE(winsim::RegKeyExists("HKLM\\SOFTWARE\\Qandor\\zel"));
  RegCloseKey(key);
  EXPECT_EQ(winsim::OpenHandles(), 0u);
}

}  // namespace
