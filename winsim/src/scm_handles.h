// Service-manager and service handles: what each grants, and the checks every service function makes on
// the handle it is given (ERROR_INVALID_HANDLE for anything that is not an open handle of the right kind,
// ERROR_ACCESS_DENIED when the handle lacks the right the call needs).
#ifndef WINSIM_SCM_HANDLES_H
#define WINSIM_SCM_HANDLES_H

#include <memory>
#include <string>

#include "handles.h"
#include "scm_database.h"

namespace winsim::detail {

struct ManagerObject : HandleObject {
  HandleKind Kind() const override { return HandleKind::ServiceManager; }
  DWORD access = 0;
};

struct ServiceObject : HandleObject {
  HandleKind Kind() const override { return HandleKind::Service; }
  std::shared_ptr<ServiceRecord> record;
  DWORD access = 0;
};

// Generic and MAXIMUM_ALLOWED rights mapped onto the specific ones, as the manager maps them.
DWORD MapManagerAccess(DWORD desired);
DWORD MapServiceAccess(DWORD desired);

SC_HANDLE NewManagerHandle(DWORD desired);
// Counts the handle on the record; the record stays known while any handle refers to it.
SC_HANDLE NewServiceHandle(const std::shared_ptr<ServiceRecord>& record, DWORD desired);

// The handle's object when it is an open handle of that kind granting `needed`; otherwise null with
// *error set.
std::shared_ptr<ManagerObject> ManagerOf(SC_HANDLE handle, DWORD needed, DWORD* error);
std::shared_ptr<ServiceObject> ServiceOf(SC_HANDLE handle, DWORD needed, DWORD* error);

// Closes a manager or service handle; false when it is neither. Closing a service's last handle lets a
// service marked for deletion go.
bool CloseScHandle(SC_HANDLE handle);
// What a reboot does to the handles of the old session: they are gone.
void DropAllScHandles();

// "0x104" or "0x104 \"zelbase\"" for the call log.
std::string ScHandleArg(SC_HANDLE handle);

}  // namespace winsim::detail

#endif
