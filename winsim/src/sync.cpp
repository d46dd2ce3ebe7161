// CloseHandle, mutexes, events and the wait that dispatches on the handle's kind.
#include <map>
#include <thread>

#include "api_call.h"
#include "handles.h"
#include "machine_state.h"
#include "processes.h"

using winsim::HandleKind;
using winsim::detail::ApiCall;
using winsim::detail::Handles;
using winsim::detail::HandleObject;

namespace winsim::detail {
bool CloseFileHandle(HANDLE handle);
}

namespace {

// A mutex object, shared by every handle opened on its name.
struct MutexState {
  std::thread::id owner;
  unsigned recursion = 0;
};

struct MutexHandle : HandleObject {
  HandleKind Kind() const override { return HandleKind::Mutex; }
  std::shared_ptr<MutexState> state;
};

struct EventHandle : HandleObject {
  HandleKind Kind() const override { return HandleKind::Event; }
  bool signalled = false;
  bool manualReset = false;
};

std::map<std::string, std::weak_ptr<MutexState>>& NamedMutexes() {
  static std::map<std::string, std::weak_ptr<MutexState>> names;
  return names;
}

const bool registered = winsim::detail::OnBoot([] { NamedMutexes().clear(); });

}  // namespace

extern "C" {

BOOL WINAPI CloseHandle(HANDLE object) {
  ApiCall call("CloseHandle", winsim::detail::Hex(reinterpret_cast<uintptr_t>(object)));
  (void)registered;
  if (call.Fault()) return FALSE;
  auto found = Handles().Find(object);
  if (!found) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  switch (found->Kind()) {
    case HandleKind::File:
    case HandleKind::Device: return winsim::detail::CloseFileHandle(object) ? TRUE : FALSE;
    case HandleKind::Mutex:
    case HandleKind::Event:
    case HandleKind::Process:
    case HandleKind::Thread: Handles().Remove(object); return TRUE;
    default: SetLastError(ERROR_INVALID_HANDLE); return FALSE;
  }
}

HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCSTR name) {
  ApiCall call("CreateMutexA", winsim::detail::Arg(name));
  if (call.Fault()) return nullptr;
  auto handle = std::make_shared<MutexHandle>();
  bool existed = false;
  if (name != nullptr) {
    std::string key = winsim::detail::Lower(name);
    handle->state = NamedMutexes()[key].lock();
    existed = handle->state != nullptr;
    if (!existed) {
      handle->state = std::make_shared<MutexState>();
      NamedMutexes()[key] = handle->state;
    }
  } else {
    handle->state = std::make_shared<MutexState>();
  }
  if (initialOwner && !existed) {
    handle->state->owner = std::this_thread::get_id();
    handle->state->recursion = 1;
  }
  SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return Handles().Add(handle);
}

BOOL WINAPI ReleaseMutex(HANDLE mutex) {
  ApiCall call("ReleaseMutex");
  if (call.Fault()) return FALSE;
  auto handle = Handles().Get<MutexHandle>(mutex, HandleKind::Mutex);
  if (!handle) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (handle->state->recursion == 0 || handle->state->owner != std::this_thread::get_id()) {
    SetLastError(288);  // ERROR_NOT_OWNER
    return FALSE;
  }
  if (--handle->state->recursion == 0) handle->state->owner = std::thread::id();
  return TRUE;
}

HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR name) {
  ApiCall call("CreateEventA", winsim::detail::Arg(name));
  if (call.Fault()) return nullptr;
  auto handle = std::make_shared<EventHandle>();
  handle->manualReset = manualReset != FALSE;
  handle->signalled = initialState != FALSE;
  return Handles().Add(handle);
}

DWORD WINAPI WaitForSingleObject(HANDLE object, DWORD milliseconds) {
  ApiCall call("WaitForSingleObject", std::to_string(milliseconds));
  if (call.Fault()) return WAIT_FAILED;
  auto found = Handles().Find(object);
  if (!found) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  auto timeOut = [&] {
    if (milliseconds != INFINITE) winsim::AdvanceClock(milliseconds);
    return static_cast<DWORD>(WAIT_TIMEOUT);
  };
  switch (found->Kind()) {
    case HandleKind::Mutex: {
      auto& state = *static_cast<MutexHandle*>(found.get())->state;
      if (state.recursion != 0 && state.owner != std::this_thread::get_id()) return timeOut();
      state.owner = std::this_thread::get_id();
      ++state.recursion;
      return WAIT_OBJECT_0;
    }
    case HandleKind::Event: {
      auto* event = static_cast<EventHandle*>(found.get());
      if (!event->signalled) return timeOut();
      if (!event->manualReset) event->signalled = false;
      return WAIT_OBJECT_0;
    }
    case HandleKind::Process:
    case HandleKind::Thread: return winsim::detail::WaitForProcessHandle(object, milliseconds);
    default: SetLastError(ERROR_INVALID_HANDLE); return WAIT_FAILED;
  }
}

}  // extern "C"
