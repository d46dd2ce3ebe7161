// The module object's operations the host can call, one row each: the command that names it, the slot it
// occupies and the table member it calls, the name the report gives the call, and the status words it
// writes. The command line, the session's calls and the report's names all come from this table, so an
// operation is added by adding its row (and its value to Operation).
#ifndef BASETDIC_HOST_CLI_OPERATIONS_H
#define BASETDIC_HOST_CLI_OPERATIONS_H

#include <string>
#include <vector>

#include "basetdic/module_obj.h"

namespace host {

enum class Operation { Install, Start, Update, Remove, Check };

// The status words a call writes; a word it does not write keeps the last value written to it.
enum class StatusWrites {
  Result,                    // result, on every call
  ResultAndPendingPastGate,  // both, once past the gate (NT and a setup folder the object kept); else none
};

struct OperationRow {
  Operation operation;
  const char* word;       // the command: "install"
  int slot;               // kSlotInstallDriver
  const char* member;     // the ModuleObjVtbl member it calls: "InstallDriver"
  const char* arguments;  // what the host passes besides the object, as the report shows it: "(0)"
  StatusWrites writes;
  void (*call)(const ModuleObjVtbl& table, void* object);
};

// In the order the command line lists them.
inline const OperationRow kOperations[] = {
    {Operation::Install, "install", kSlotInstallDriver, "InstallDriver", "", StatusWrites::ResultAndPendingPastGate,
     [](const ModuleObjVtbl& table, void* object) { table.InstallDriver(object); }},
    {Operation::Update, "update", kSlotUpdateDriver, "UpdateDriver", "", StatusWrites::ResultAndPendingPastGate,
     [](const ModuleObjVtbl& table, void* object) { table.UpdateDriver(object); }},
    {Operation::Start, "start", kSlotStartDriver, "StartDriver", "(0)", StatusWrites::Result,
     [](const ModuleObjVtbl& table, void* object) { table.StartDriver(object, 0); }},
    {Operation::Remove, "remove", kSlotRemoveDriver, "RemoveDriver", "", StatusWrites::ResultAndPendingPastGate,
     [](const ModuleObjVtbl& table, void* object) { table.RemoveDriver(object); }},
    {Operation::Check, "check", kSlotCheckPlatform, "CheckPlatform", "", StatusWrites::Result,
     [](const ModuleObjVtbl& table, void* object) { table.CheckPlatform(object); }},
};

// What cycle calls, in order.
inline const Operation kCycle[] = {Operation::Install, Operation::Start, Operation::Update, Operation::Remove};

const OperationRow& RowOf(Operation operation);
// The command word: "install".
const char* OperationName(Operation operation);
// The call as the report shows it: "StartDriver(0) (slot 7)".
std::string CallName(Operation operation);
// Every operation, the cycle's first in the order it calls them, then the others as the table lists them.
std::vector<Operation> OperationsInCycleOrder();

}  // namespace host

#endif
