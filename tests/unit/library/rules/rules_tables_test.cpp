// The library's vocabularies as tables: names compared as Windows compares them, the kind list, and the
// Windows table with the kind each of its versions calls for.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "rules/ascii_case.h"
#include "rules/module_kind.h"
#include "rules/windows_versions.h"
#include "support/version_record.h"

namespace {

using namespace basetdic;

TEST(AsciiCase, ComparisonsIgnoreCaseOfLettersOnly) {
  EXPECT_TRUE(EqualsNoCase("FwBase2K", "fWbASE2k"));
  EXPECT_FALSE(EqualsNoCase("FwBase2K", "FwBase2K "));
  EXPECT_FALSE(EqualsNoCase("a", nullptr));
  EXPECT_TRUE(EqualsNoCase(nullptr, nullptr));
  EXPECT_FALSE(EqualsNoCase("\xc4", "\xe4")) << "only ASCII letters fold";
  EXPECT_TRUE(ContainsNoCase("C:\\SETUP\\BASETDIC.DLL", "basetdic.dll"));
  EXPECT_TRUE(ContainsNoCase("xbasetdic.dllx", "BaseTdic.Dll"));
  EXPECT_FALSE(ContainsNoCase("basetdic.dl", "basetdic.dll"));
  EXPECT_FALSE(ContainsNoCase(nullptr, "a"));
  EXPECT_TRUE(ContainsNoCase("", ""));
  EXPECT_TRUE(ContainsNoCaseWithin("xxBASETDIC.DLL", 14, "basetdic.dll"));
  EXPECT_FALSE(ContainsNoCaseWithin("xxBASETDIC.DLL", 13, "basetdic.dll")) << "wholly inside the limit";
}

TEST(ModuleKinds, EachRowNamesOneKindForOneFamily) {
  const struct {
    ModuleKind kind;
    const char* name;
    const char* family;
  } expected[] = {{ModuleKind::FwBaseNt, "FwBaseNt", "NT 4.0"},
                  {ModuleKind::FwBase2K, "FwBase2K", "NT 5.x"},
                  {ModuleKind::FwBaseVt, "FwBaseVt", "NT 6.x"}};
  ASSERT_EQ(ModuleKinds().size(), 3u);
  size_t i = 0;
  for (const ModuleKindRow& row : ModuleKinds()) {
    EXPECT_EQ(row.kind, expected[i].kind);
    EXPECT_STREQ(KindName(row.kind), expected[i].name);
    EXPECT_STREQ(KindWindowsFamily(row.kind), expected[i].family);
    EXPECT_EQ(KindOfName(row.name), row.kind);
    ++i;
  }
  EXPECT_STREQ(KindName(ModuleKind::Unknown), "");
  EXPECT_STREQ(KindWindowsFamily(ModuleKind::Unknown), "");
  EXPECT_EQ(KindOfName(nullptr), ModuleKind::Unknown);
}

// Every row: found by its names in any case, recognised from its record, and the kind it calls for.
// Rows the host does not offer are found by Wine's name only.
TEST(WindowsTable, EveryRowByItsNamesRecordAndKind) {
  const struct {
    const char* wineName;
    const char* commandLineName;  // null: not offered
    ModuleKind kind;
    bool has64BitEdition;
    const char* displayName;
  } expected[] = {
      {"nt40", "nt4", ModuleKind::FwBaseNt, false, "Windows NT 4.0"},
      {"win2k", "win2k", ModuleKind::FwBase2K, false, "Windows 2000"},
      {"winxp", "xp", ModuleKind::FwBase2K, true, "Windows XP"},
      {"vista", "vista", ModuleKind::FwBaseVt, true, "Windows Vista"},
      {"win7", "win7", ModuleKind::FwBaseVt, true, "Windows 7"},
      {"win10", nullptr, ModuleKind::FwBaseVt, true, "Windows 8"},
      {"win98", "win9x", ModuleKind::FwBase2K, false, "Windows 98"},
      {"win95", nullptr, ModuleKind::FwBase2K, false, "Windows 95"},
      {"win2003", nullptr, ModuleKind::FwBase2K, true, "Windows XP x64 / Server 2003"},
      {"winme", nullptr, ModuleKind::FwBase2K, false, "Windows Me"},
  };
  ASSERT_EQ(WindowsVersions().size(), sizeof expected / sizeof expected[0]);
  size_t i = 0;
  for (const WindowsVersion& windows : WindowsVersions()) {
    SCOPED_TRACE(windows.wineName);
    EXPECT_STREQ(windows.wineName, expected[i].wineName);
    EXPECT_EQ(windows.has64BitEdition, expected[i].has64BitEdition);
    EXPECT_EQ(WindowsByWineName(windows.wineName), &windows);
    if (expected[i].commandLineName != nullptr) {
      EXPECT_STREQ(windows.commandLineName, expected[i].commandLineName);
      std::string upper = windows.commandLineName;
      for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
      EXPECT_EQ(WindowsByCommandLineName(upper.c_str()), &windows);
    } else {
      EXPECT_EQ(windows.commandLineName, nullptr);
    }
    const OSVERSIONINFOA os =
        testsupport::VersionRecord(windows.platformId, windows.major, windows.minor, windows.build);
    EXPECT_EQ(WindowsOfRecord(os), &windows);
    EXPECT_EQ(KindForWindows(os), expected[i].kind);
    EXPECT_STREQ(windows.displayName, expected[i].displayName);
    const OSVERSIONINFOA record = VersionRecordOf(windows);
    EXPECT_EQ(record.dwOSVersionInfoSize, sizeof record);
    EXPECT_EQ(WindowsOfRecord(record), &windows);
    EXPECT_EQ(record.dwBuildNumber, windows.build);
    EXPECT_STREQ(record.szCSDVersion, windows.servicePack);
    ++i;
  }
  EXPECT_EQ(WindowsByCommandLineName("winxp"), nullptr) << "Wine's name is not the host's";
  EXPECT_EQ(WindowsByCommandLineName(nullptr), nullptr);
  EXPECT_EQ(WindowsByWineName("win31"), nullptr);
  EXPECT_EQ(WindowsOfRecord(testsupport::VersionRecord(VER_PLATFORM_WIN32_NT, 10, 0, 19045)), nullptr);
}

}  // namespace
