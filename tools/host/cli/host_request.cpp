#include "cli/host_request.h"

#include "basetdic/module_obj.h"

namespace host {

const char* OperationName(Operation operation) {
  switch (operation) {
    case Operation::Install: return "install";
    case Operation::Start: return "start";
    case Operation::Update: return "update";
    case Operation::Remove: return "remove";
    case Operation::Check: return "check";
  }
  return "?";
}

int OperationSlot(Operation operation) {
  switch (operation) {
    case Operation::Install: return kSlotInstallDriver;
    case Operation::Start: return kSlotStartDriver;
    case Operation::Update: return kSlotUpdateDriver;
    case Operation::Remove: return kSlotRemoveDriver;
    case Operation::Check: return kSlotCheckPlatform;
  }
  return -1;
}

}  // namespace host
