// The module object as a host sees it: header words, slot order through a raw table, status words across
// slots, naming, construction and release.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "basetdic/module_obj.h"
#include "module/base_tdi_module_obj.h"
#include "support/module_session.h"
#include "temp_machine.h"

namespace {

using testsupport::HeaderOf;
using testsupport::StatusOf;
using testsupport::TableOf;
using winsim::testsupport::ConfigFor;
using winsim::testsupport::TempMachine;


size_t CountCalls(const char* function) {
  size_t count = 0;
  for (const winsim::CallRecord& record : winsim::CallLog()) count += record.function == function;
  return count;
}

class ModuleObjectTest : public ::testing::Test {
 protected:
  TempMachine machine{ConfigFor(winsim::OsWinXp())};
  ModuleObj* object = QueryModuleObj();
  void TearDown() override { ReleaseObj(object); }
};

TEST_F(ModuleObjectTest, NewObjectShowsItsHeaderAsTheHostReadsIt) {
  ASSERT_NE(object, nullptr);
  const ModuleStatus& status = StatusOf(object);
  EXPECT_EQ(status.result, 1u);
  EXPECT_EQ(status.pending, 0u);
  EXPECT_EQ(status.reserved[0] | status.reserved[1] | status.reserved[2], 0u);
  EXPECT_STREQ(HeaderOf(object).idPtr, "{367C7924-04B6-4377-A8CB-CBA4A1B9CABF}");
  // The identifier field is 40 bytes: 38 characters and two zero bytes.
  EXPECT_EQ(HeaderOf(object).idPtr[38], '\0');
  EXPECT_EQ(HeaderOf(object).idPtr[39], '\0');
  // Both pointers lead into the object itself, behind the three header words.
  const char* begin = reinterpret_cast<const char*>(object);
  const char* end = begin + sizeof(basetdic::BaseTdiModuleObj);
  const char* status_at = reinterpret_cast<const char*>(HeaderOf(object).statusPtr);
  EXPECT_TRUE(status_at >= begin + 3 * sizeof(void*) && status_at + sizeof(ModuleStatus) <= end);
  EXPECT_TRUE(HeaderOf(object).idPtr >= begin + 3 * sizeof(void*) && HeaderOf(object).idPtr + 40 <= end);
  EXPECT_EQ(static_cast<basetdic::BaseTdiModuleObj*>(object)->OsVersion().dwOSVersionInfoSize, 148u);
  EXPECT_EQ(static_cast<basetdic::BaseTdiModuleObj*>(object)->OsVersion().dwBuildNumber, 2600u);
}

TEST_F(ModuleObjectTest, HeaderPointersNeverChangeAndObjectsShareNothing) {
  ModuleObj* other = QueryModuleObj();
  ModuleStatus* status = HeaderOf(object).statusPtr;
  const char* id = HeaderOf(object).idPtr;
  EXPECT_NE(HeaderOf(other).statusPtr, status);
  EXPECT_NE(HeaderOf(other).idPtr, id);
  EXPECT_EQ(HeaderOf(other).vtbl, HeaderOf(object).vtbl);
  object->SetModuleName("FwBaseNt");
  object->InsertFile("C:\\setup\\basetdic.dll");
  StatusOf(other).result = 0;
  object->Hook8();
  EXPECT_EQ(StatusOf(other).result, 0u);
  EXPECT_STREQ(static_cast<basetdic::BaseTdiModuleObj*>(other)->SourceDir(), "");
  EXPECT_EQ(HeaderOf(object).statusPtr, status);
  EXPECT_EQ(HeaderOf(object).idPtr, id);
  ReleaseObj(other);
}

// Under the Itanium C++ ABI a pointer to a virtual member holds its byte offset in the table plus one.
template <class Member>
size_t SlotOf(Member member) {
  struct {
    uintptr_t pointer;
    ptrdiff_t adjust;
  } raw;
  static_assert(sizeof(Member) == sizeof(raw), "Itanium member pointer");
  memcpy(&raw, &member, sizeof raw);
  return (raw.pointer - 1) / sizeof(void*);
}

TEST(ModuleObjectLayout, CppInterfaceDeclaresTheSlotsInTableOrder) {
  EXPECT_EQ(SlotOf(&ModuleObj::SetModuleName), static_cast<size_t>(kSlotSetModuleName));
  EXPECT_EQ(SlotOf(&ModuleObj::Hook1), static_cast<size_t>(kSlotHook1));
  EXPECT_EQ(SlotOf(&ModuleObj::InsertFile), static_cast<size_t>(kSlotInsertFile));
  EXPECT_EQ(SlotOf(&ModuleObj::Hook3), static_cast<size_t>(kSlotHook3));
  EXPECT_EQ(SlotOf(&ModuleObj::UpdateDriver), static_cast<size_t>(kSlotUpdateDriver));
  EXPECT_EQ(SlotOf(&ModuleObj::RemoveDriver), static_cast<size_t>(kSlotRemoveDriver));
  EXPECT_EQ(SlotOf(&ModuleObj::Hook6), static_cast<size_t>(kSlotHook6));
  EXPECT_EQ(SlotOf(&ModuleObj::StartDriver), static_cast<size_t>(kSlotStartDriver));
  EXPECT_EQ(SlotOf(&ModuleObj::Hook8), static_cast<size_t>(kSlotHook8));
  EXPECT_EQ(SlotOf(&ModuleObj::InstallDriver), static_cast<size_t>(kSlotInstallDriver));
  EXPECT_EQ(SlotOf(&ModuleObj::Hook10), static_cast<size_t>(kSlotHook10));
  EXPECT_EQ(SlotOf(&ModuleObj::CheckPlatform), static_cast<size_t>(kSlotCheckPlatform));
  EXPECT_EQ(SlotOf(&ModuleObj::Destroy), static_cast<size_t>(kSlotDestroy));
  EXPECT_EQ(SlotOf(&ModuleObj::Hook13), static_cast<size_t>(kSlotHook13));
  EXPECT_EQ(sizeof(ModuleObjVtbl), kModuleSlotCount * sizeof(void*));
  EXPECT_EQ(offsetof(ModuleObjVtbl, Hook13), kSlotHook13 * sizeof(void*));
  EXPECT_EQ(sizeof(ModuleStatus), 20u);
}

// Each slot reached through the raw table, with what it must do to the status words: the hooks and the
// insertion report success, CheckPlatform reports the platform (0 on Windows 98), naming and Hook13 leave
// everything alone, and none of them touches pending or the reserved words.
TEST(ModuleObjectSlots, StatusWordsAfterEachSlotThroughTheRawTable) {
  TempMachine machine{ConfigFor(winsim::OsWin98())};
  void* object = QueryModuleObj();
  const ModuleObjVtbl& table = TableOf(object);
  const uint32_t kUntouched = 7;
  struct Row {
    const char* slot;
    int (*call)(const ModuleObjVtbl&, void*);
    uint32_t result;
  } rows[] = {
      {"SetModuleName", [](const ModuleObjVtbl& t, void* o) { return t.SetModuleName(o, "FwBase2K"); }, kUntouched},
      {"Hook1", [](const ModuleObjVtbl& t, void* o) { return t.Hook1(o, 0xdeadbeef); }, 1},
      {"InsertFile", [](const ModuleObjVtbl& t, void* o) { return t.InsertFile(o, "C:\\setup\\zelbase.sys"); }, 1},
      {"Hook3", [](const ModuleObjVtbl& t, void* o) { return t.Hook3(o); }, 1},
      {"Hook6", [](const ModuleObjVtbl& t, void* o) { return t.Hook6(o, 1, 2, 3); }, 1},
      {"Hook8", [](const ModuleObjVtbl& t, void* o) { return t.Hook8(o); }, 1},
      {"Hook10", [](const ModuleObjVtbl& t, void* o) { return t.Hook10(o); }, 1},
      {"CheckPlatform", [](const ModuleObjVtbl& t, void* o) { return t.CheckPlatform(o); }, 0},
      {"Hook13", [](const ModuleObjVtbl& t, void* o) { return t.Hook13(o, 5); }, kUntouched},
  };
  for (const Row& row : rows) {
    ModuleStatus& status = StatusOf(object);
    status.result = kUntouched;
    status.pending = 9;
    EXPECT_EQ(row.call(table, object), 0) << row.slot;
    EXPECT_EQ(status.result, row.result) << row.slot;
    EXPECT_EQ(status.pending, 9u) << row.slot;
    EXPECT_EQ(status.reserved[0] | status.reserved[1] | status.reserved[2], 0u) << row.slot;
  }
  // The name given through slot 0 is the one InsertFile (slot 2) judged by: FwBase2K ignores zelbase.sys.
  EXPECT_STREQ(static_cast<basetdic::BaseTdiModuleObj*>(static_cast<ModuleObj*>(object))->ModuleName(), "FwBase2K");
  EXPECT_STREQ(static_cast<basetdic::BaseTdiModuleObj*>(static_cast<ModuleObj*>(object))->SourceDir(), "");
  ReleaseObj(static_cast<ModuleObj*>(object));
}

TEST_F(ModuleObjectTest, DestroyThroughTheTableEndsTheObjectAndFreesOnlyWithBitZero) {
  ModuleObj* other = QueryModuleObj();
  winsim::ClearCallLog();
  EXPECT_EQ(TableOf(object).Destroy(other, 0), other);
  EXPECT_EQ(CountCalls("HeapFree"), 0u) << "flags without bit 0 keep the memory";
  HeapFree(GetProcessHeap(), 0, other);
  winsim::ClearCallLog();
  ModuleObj* third = QueryModuleObj();
  EXPECT_EQ(CountCalls("HeapAlloc"), 1u);
  TableOf(object).Destroy(third, 3);
  EXPECT_EQ(CountCalls("HeapFree"), 1u);
}

TEST_F(ModuleObjectTest, NameKeepsAtMost259CharactersAndNeverTouchesTheStatus) {
  auto* self = static_cast<basetdic::BaseTdiModuleObj*>(object);
  std::string name(300, 'x');
  name[258] = 'y';
  for (uint32_t before : {0u, 1u}) {
    StatusOf(object).result = before;
    object->SetModuleName(name.c_str());
    EXPECT_EQ(StatusOf(object).result, before);
  }
  EXPECT_EQ(std::string(self->ModuleName()), name.substr(0, 259));
  object->SetModuleName(nullptr);
  EXPECT_STREQ(self->ModuleName(), "") << "a null name is empty text";
  EXPECT_EQ(self->Kind(), basetdic::ModuleKind::Unknown);
  object->SetModuleName("fWbAsEvT");
  EXPECT_STREQ(self->ModuleName(), "fWbAsEvT") << "stored as given";
  EXPECT_EQ(self->Kind(), basetdic::ModuleKind::FwBaseVt);
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
    reinterpret_cast<ModuleObjHeader*>(object)->statusPtr->result = 7;
    object->CheckPlatform();
    EXPECT_EQ(reinterpret_cast<ModuleObjHeader*>(object)->statusPtr->result, row.expected)
        << "platform " << row.os.platformId << " query fails " << row.queryFails;
    if (row.queryFails) {
      // A failed query leaves the record zero apart from its size.
      const OSVERSIONINFOA& os = static_cast<basetdic::BaseTdiModuleObj*>(object)->OsVersion();
      EXPECT_EQ(os.dwOSVersionInfoSize, 148u);
      EXPECT_EQ(os.dwPlatformId | os.dwMajorVersion | os.dwBuildNumber, 0u);
    }
    ReleaseObj(object);
  }
}

TEST(ModuleObjectLifecycle, NoMemoryMeansNoObjectAndReleaseAlwaysAnswersOne) {
  TempMachine machine;
  winsim::FailNthCallOf("HeapAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(QueryModuleObj(), nullptr);
  EXPECT_EQ(CountCalls("GetVersionExA"), 0u) << "nothing else happens";
  EXPECT_EQ(ReleaseObj(nullptr), 1);
  ModuleObj* object = QueryModuleObj();
  ASSERT_NE(object, nullptr);
  winsim::ClearCallLog();
  EXPECT_EQ(ReleaseObj(object), 1);
  EXPECT_EQ(CountCalls("HeapFree"), 1u);
}

// The shared library as a host loads it: exactly the two entry points are visible, and an object obtained
// through them works on the same simulated machine.
TEST(ModuleObjectLibrary, HostLoadsTheTwoExportsAndDrivesAnObject) {
  TempMachine machine;
  void* library = dlopen(BASETDIC_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  auto query = reinterpret_cast<QueryModuleObjFn>(dlsym(library, "QueryModuleObj"));
  auto release = reinterpret_cast<ReleaseObjFn>(dlsym(library, "ReleaseObj"));
  ASSERT_NE(query, nullptr);
  ASSERT_NE(release, nullptr);
  EXPECT_EQ(dlsym(library, "DllMain"), nullptr);
  EXPECT_EQ(dlsym(library, "_ZN8basetdic8TraceLogEPKcz"), nullptr);
  void* object = query();
  StatusOf(object).result = 0;
  TableOf(object).Hook10(object);
  EXPECT_EQ(StatusOf(object).result, 1u);
  winsim::ClearCallLog();
  EXPECT_EQ(release(object), 1);
  EXPECT_EQ(CountCalls("HeapFree"), 1u);
  dlclose(library);
}

}  // namespace
