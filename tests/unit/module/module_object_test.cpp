// The module object as a host sees it: header words, slot order through a raw table, status words,
// naming and file insertion.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "basetdic/module_obj.h"
#include "temp_machine.h"

extern "C" ModuleObj* QueryModuleObj(void);
extern "C" int ReleaseObj(ModuleObj* object);

namespace {

using winsim::testsupport::ConfigFor;
using winsim::testsupport::TempMachine;

// A host's view of the object: only the header words and the raw interface table.
struct HostView {
  explicit HostView(void* object) : header(static_cast<ModuleObjHeader*>(object)) {}
  ModuleObjHeader* header;
  const ModuleStatus& Status() const { return *header->statusPtr; }
  const ModuleObjVtbl& Table() const { return *header->vtbl; }
};

class ModuleObjectTest : public ::testing::Test {
 protected:
  TempMachine machine{ConfigFor(winsim::OsWinXp())};
  ModuleObj* object = QueryModuleObj();
  HostView host{object};
  void TearDown() override { ReleaseObj(object); }
};

TEST_F(ModuleObjectTest, NewObjectShowsItsHeaderAsTheHostReadsIt) {
  ASSERT_NE(object, nullptr);
  const ModuleStatus& status = host.Status();
  EXPECT_EQ(status.result, 1u);
  EXPECT_EQ(status.pending, 0u);
  EXPECT_EQ(status.reserved[0] | status.reserved[1] | status.reserved[2], 0u);
  EXPECT_STREQ(host.header->idPtr, "{367C7924-04B6-4377-A8CB-CBA4A1B9CABF}");
  // The identifier field is 40 bytes: the text, its terminator and a zero byte.
  EXPECT_EQ(host.header->idPtr[39], '\0');
}

TEST_F(ModuleObjectTest, SlotsAreReachedInTableOrderThroughRawPointers) {
  const ModuleObjVtbl& table = host.Table();
  ModuleStatus& status = *host.header->statusPtr;
  status.result = 7;
  EXPECT_EQ(table.Hook1(object, 0xdeadbeef), 0);
  EXPECT_EQ(status.result, 1u);
  status.result = 7;
  EXPECT_EQ(table.Hook3(object), 0);
  EXPECT_EQ(status.result, 1u);
  status.result = 7;
  EXPECT_EQ(table.Hook6(object, 1, 2, 3), 0);
  EXPECT_EQ(status.result, 1u);
  status.result = 7;
  EXPECT_EQ(table.Hook8(object), 0);
  EXPECT_EQ(status.result, 1u);
  status.result = 7;
  EXPECT_EQ(table.Hook10(object), 0);
  EXPECT_EQ(status.result, 1u);
  status.result = 7;
  EXPECT_EQ(table.Hook13(object, 5), 0);
  EXPECT_EQ(status.result, 7u) << "Hook13 leaves the status alone";
  status.result = 7;
  EXPECT_EQ(table.SetModuleName(object, "FwBaseNt"), 0);
  EXPECT_EQ(status.result, 7u) << "SetModuleName leaves the status alone";
  EXPECT_EQ(table.InsertFile(object, "C:\\setup\\module\\basetdic.dll"), 0);
  EXPECT_EQ(status.result, 1u);
  status.result = 7;
  EXPECT_EQ(table.CheckPlatform(object), 0);
  EXPECT_EQ(status.result, 1u);
}

TEST_F(ModuleObjectTest, LongModuleNameKeepsStatusAndIsCut) {
  host.header->statusPtr->result = 0;
  std::string name(300, 'x');
  object->SetModuleName(name.c_str());
  EXPECT_EQ(host.Status().result, 0u);
}

TEST(ModuleObjectPlatform, CheckPlatformReportsZeroOnlyForWindows9x) {
  struct Row {
    winsim::OsVersion os;
    bool queryFails;
    uint32_t expected;
  } rows[] = {
      {winsim::OsWin98(), false, 0}, {winsim::OsWin95(), false, 0}, {winsim::OsNt40(), false, 1},
      {winsim::OsWinXp(), false, 1}, {winsim::OsWin7(), false, 1},  {winsim::OsWin98(), true, 1},
  };
  for (const Row& row : rows) {
    winsim::MachineConfig config = ConfigFor(row.os);
    config.versionQueryFails = row.queryFails;
    TempMachine machine(config);
    ModuleObj* object = QueryModuleObj();
    object->CheckPlatform();
    EXPECT_EQ(reinterpret_cast<ModuleObjHeader*>(object)->statusPtr->result, row.expected)
        << "platform " << row.os.platformId << " query fails " << row.queryFails;
    ReleaseObj(object);
  }
}

TEST(ModuleObjectRelease, NullIsAcceptedAndEveryReleaseAnswersOne) {
  EXPECT_EQ(ReleaseObj(nullptr), 1);
  TempMachine machine;
  EXPECT_EQ(ReleaseObj(QueryModuleObj()), 1);
}

}  // namespace
