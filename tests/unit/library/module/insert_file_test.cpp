// InsertFile: which inserted paths name the setup directory under each module kind, what the directory
// becomes, and the trace record written for every call. The pure rule a host applies to the paths it
// inserted (rules/setup_folder.h) must keep the same folder as the object, path by path.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "basetdic/module_obj.h"
#include "module/base_tdi_module_obj.h"
#include "rules/setup_folder.h"
#include "temp_machine.h"

namespace {

using winsim::testsupport::TempMachine;

class InsertFileTest : public ::testing::Test {
 protected:
  TempMachine machine;
  ModuleObj* object = QueryModuleObj();
  basetdic::BaseTdiModuleObj* self = static_cast<basetdic::BaseTdiModuleObj*>(object);
  ModuleStatus* status = reinterpret_cast<ModuleObjHeader*>(object)->statusPtr;
  std::string ruleFolder;  // the folder the pure rule keeps for this object's insertions
  void TearDown() override { ReleaseObj(object); }

  // Inserts each path with result preset to 0; every insertion must report 1 and return 0, and leave the
  // folder the rule keeps.
  std::string InsertAll(const char* name, const std::vector<const char*>& paths) {
    object->SetModuleName(name);
    for (const char* path : paths) {
      status->result = 0;
      EXPECT_EQ(object->InsertFile(path), 0);
      EXPECT_EQ(status->result, 1u) << (path ? path : "(null)");
      const basetdic::SetupFolderChange change = basetdic::SetupFolderAfterInsert(basetdic::KindOfName(name), path);
      if (change.replaces) ruleFolder.assign(change.folder, change.length);
      EXPECT_EQ(self->SourceDir(), ruleFolder) << "the rule, for " << (path ? path : "(null)");
    }
    return self->SourceDir();
  }
};

TEST_F(InsertFileTest, DirectoryRulesUnderEachModuleKind) {
  struct Row {
    const char* name;
    std::vector<const char*> paths;
    const char* sourceDir;
  } rows[] = {
      {"FwBaseNt", {"C:\\setup\\module\\basetdic.dll"}, "C:\\setup\\module"},
      {"FwBaseNt", {"C:\\setup\\a.sys", "D:\\other\\Basetdi.nt4"}, "D:\\other"},
      {"FwBaseVt", {"C:\\one\\zelbase.inf", "C:\\two\\snetcfg.exe"}, "C:\\two"},
      {"SomethingElse", {"C:\\x\\y.z"}, "C:\\x"},
      {"", {"C:\\x\\y.z"}, "C:\\x"},
      // FwBase2K, in any case, only takes a path that contains the library's name, in any case.
      {"fwbase2k", {"C:\\setup\\zelbase.sys"}, ""},
      {"FWBASE2K", {"C:\\SETUP\\BASETDIC.DLL"}, "C:\\SETUP"},
      {"FwBase2K", {"C:\\SETUP\\BASETDIC.DLL", "D:\\other\\zelbase.sys"}, "C:\\SETUP"},
      {"FwBase2K", {"C:\\a\\BaseTdic.Dll.bak"}, "C:\\a"},
      {"FwBase2K", {"C:\\basetdic.dll\\x\\zelbase.sys"}, "C:\\basetdic.dll\\x"},
      {"FwBase2K", {"C:\\setup\\basetdic.dl"}, ""},
      {"FwBase2K", {"C:\\setup\\basetdic.dll", "D:\\later\\basetdic.dll"}, "D:\\later"},
      {"FwBase2Kx", {"C:\\setup\\zelbase.sys"}, "C:\\setup"},
      // The directory is the text before the last backslash, whatever else the path holds.
      {"FwBaseNt", {"C:\\setup\\a.sys", "basetdic.dll"}, ""},
      {"FwBase2K", {"C:\\setup\\basetdic.dll", "basetdic.dll"}, ""},
      {"FwBaseNt", {"\\basetdic.dll"}, ""},
      {"FwBaseNt", {"C:\\basetdic.dll"}, "C:"},
      {"FwBaseNt", {"C:/setup/basetdic.dll"}, ""},
      {"FwBaseNt", {"C:\\setup\\"}, "C:\\setup"},
      {"FwBaseNt", {"\\\\server\\share\\basetdic.dll"}, "\\\\server\\share"},
      {"FwBaseNt", {"C:\\setup\\a.sys", nullptr}, ""},
  };
  for (const Row& row : rows) {
    ReleaseObj(object);
    object = QueryModuleObj();
    self = static_cast<basetdic::BaseTdiModuleObj*>(object);
    status = reinterpret_cast<ModuleObjHeader*>(object)->statusPtr;
    ruleFolder.clear();
    EXPECT_EQ(InsertAll(row.name, row.paths), row.sourceDir) << row.name << " " << (row.paths[0] ? row.paths[0] : "");
  }
}

// A directory up to 259 characters is kept whole; a longer one is not cut into a different directory
// (the parent, or a truncated name) but leaves no directory at all. A long file name behind a short
// directory does not matter, and FwBase2K looks for its library name within the first 519 characters only.
TEST_F(InsertFileTest, LongPathsNeverYieldATruncatedDirectory) {
  std::string dir259 = "C:\\" + std::string(120, 'a') + "\\" + std::string(135, 'b');
  ASSERT_EQ(dir259.size(), 259u);
  EXPECT_EQ(InsertAll("FwBaseNt", {(dir259 + "\\basetdic.dll").c_str()}), dir259);
  std::string dir260 = dir259 + "c";
  EXPECT_EQ(InsertAll("FwBaseNt", {(dir260 + "\\basetdic.dll").c_str()}), "");
  std::string longName = "C:\\setup\\" + std::string(400, 'n') + "basetdic.dll";
  EXPECT_EQ(InsertAll("FwBase2K", {longName.c_str()}), "C:\\setup");

  EXPECT_EQ(InsertAll("FwBase2K", {"C:\\setup\\basetdic.dll"}), "C:\\setup");
  std::string at507 = "C:\\x\\" + std::string(502, 'p') + "basetdic.dll";  // ends at character 519
  std::string at508 = "C:\\x\\" + std::string(503, 'p') + "basetdic.dll";  // its last letter at 520
  EXPECT_EQ(InsertAll("FwBase2K", {at508.c_str()}), "C:\\setup") << "beyond the search window: only traced";
  EXPECT_EQ(InsertAll("FwBase2K", {at507.c_str()}), "C:\\x");
}

TEST_F(InsertFileTest, EveryCallWritesItsTraceRecordBeforeAnyTest) {
  ASSERT_TRUE(winsim::WriteHostFile("C:\\WINDOWS\\zel.ini", "[DEBUG]\r\nZEL=1\r\n"));
  object->SetModuleName("FwBase2K");
  object->InsertFile("C:\\setup\\zelbase.sys");
  object->InsertFile("C:\\setup\\basetdic.dll");
  object->InsertFile(nullptr);
  std::string trace;
  ASSERT_TRUE(winsim::ReadHostFile("C:\\setup\\setup.exe.baseTdic.txt", &trace));
  const char* lines[] = {
      " : Insert File List: ModuleName:FwBase2K-> File:C:\\setup\\zelbase.sys\n\r\n",
      " : Insert File List: ModuleName:FwBase2K-> File:C:\\setup\\basetdic.dll\n\r\n",
      " : Insert File List: ModuleName:FwBase2K-> File:\n\r\n",
  };
  size_t from = 0;
  for (const char* line : lines) {
    size_t at = trace.find(line, from);
    EXPECT_NE(at, std::string::npos) << line;
    from = at == std::string::npos ? from : at + 1;
  }
}

}  // namespace
