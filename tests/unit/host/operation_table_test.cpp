// The host's operation table: every operation has one row, each row calls the slot it names through the
// object's table, and the status words it says the call writes are the ones the library writes.
#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <string>

#include "cli/operations.h"
#include "support/module_session.h"
#include "temp_machine.h"

namespace {

using host::Operation;
using host::OperationRow;
using host::StatusWrites;

int calledSlot = -1;

int BASETDIC_THISCALL Called(void*, int slot) { return calledSlot = slot, 0; }
int BASETDIC_THISCALL Install(void* self) { return Called(self, kSlotInstallDriver); }
int BASETDIC_THISCALL Update(void* self) { return Called(self, kSlotUpdateDriver); }
int BASETDIC_THISCALL Remove(void* self) { return Called(self, kSlotRemoveDriver); }
int BASETDIC_THISCALL Start(void* self, uint32_t) { return Called(self, kSlotStartDriver); }
int BASETDIC_THISCALL Check(void* self) { return Called(self, kSlotCheckPlatform); }

TEST(OperationTable, EachOperationHasOneRowThatCallsTheSlotItNames) {
  struct Row {
    Operation operation;
    const char* callName;
  };
  const Row rows[] = {
      {Operation::Install, "InstallDriver (slot 9)"}, {Operation::Start, "StartDriver(0) (slot 7)"},
      {Operation::Update, "UpdateDriver (slot 4)"},   {Operation::Remove, "RemoveDriver (slot 5)"},
      {Operation::Check, "CheckPlatform (slot 11)"},
  };
  ModuleObjVtbl recording{};
  recording.InstallDriver = Install;
  recording.UpdateDriver = Update;
  recording.RemoveDriver = Remove;
  recording.StartDriver = Start;
  recording.CheckPlatform = Check;
  EXPECT_EQ(std::size(host::kOperations), std::size(rows));
  for (const Row& row : rows) {
    SCOPED_TRACE(host::CallName(row.operation));
    int matching = 0;
    for (const OperationRow& table : host::kOperations) matching += table.operation == row.operation;
    ASSERT_EQ(matching, 1);
    calledSlot = -1;
    host::RowOf(row.operation).call(recording, nullptr);
    EXPECT_EQ(calledSlot, host::RowOf(row.operation).slot);
    EXPECT_EQ(host::CallName(row.operation), row.callName);
  }
}

// A marker in both words before each call shows which ones the call wrote: on XP past the gate (a
// FwBase2K object given basetdic.dll's path), and on Windows 98, where the gate stays closed.
TEST(OperationTable, StatusWordsWrittenAreTheLibrarys) {
  const uint32_t kMarker = 7;
  for (bool pastGate : {true, false}) {
    winsim::testsupport::TempMachine machine(
        winsim::testsupport::ConfigFor(pastGate ? winsim::OsWinXp() : winsim::OsWin98()));
    for (const OperationRow& row : host::kOperations) {
      SCOPED_TRACE(std::string(row.word) + (pastGate ? " past the gate" : " before the gate"));
      testsupport::ModuleSession session(testsupport::LinkedExports(), "FwBase2K", "C:\\setup");
      session.PresetStatus(kMarker, kMarker);
      row.call(session.Table(), session.object());
      const bool gated = row.writes == StatusWrites::ResultAndPendingPastGate;
      EXPECT_EQ(session.Status().result != kMarker, pastGate || !gated);
      EXPECT_EQ(session.Status().pending != kMarker, pastGate && gated);
    }
  }
}

}  // namespace
