// CloseHandle, mutexes, events and the wait that dispatches on the handle's kind.
#include <map>
#include <thread>
#include <vector>

#include "api_call.h"
#include "handles.h"
#include "machine_state.h"
#include "processes.h"
#include "winsim/sync.h"

using winsim::HandleKind;
using winsim::detail::ApiCall;
using winsim::detail::Handles;
using winsim::detail::HandleObject;

namespace winsim::detail {
bool CloseFileHandle(HANDLE handle);
}

namespace {

// A mutex object, shared by every handle opened on its name. Another process (a test control) owns it
// with `elsewhere`; `abandoned` marks one whose owner ended without releasing it.
struct MutexState {
  std::thread::id owner;
  unsigned recursion = 0;
  bool elsewhere = false;
  bool abandoned = false;
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

// The mutexes the other process keeps alive while it holds them.
std::vector<std::shared_ptr<MutexState>>& HeldElsewhere() {
  static std::vector<std::shared_ptr<MutexState>> held;
  return held;
}

const bool registered = winsim::detail::OnBoot([] {
  NamedMutexes().clear();
  HeldElsewhere().clear();
});

// The key of a mutex name in the machine's one object namespace, or false when the name is not a valid
// object name on this Windows: before NT 5.0 there are no "Global\" and "Local\" prefixes, and a backslash
// anywhere else names a directory that does not exist.
bool NamespaceKey(const std::string& name, std::string* key) {
  const winsim::OsVersion& os = winsim::Config().os;
  std::string rest = name;
  if (os.platformId == VER_PLATFORM_WIN32_NT && os.major >= 5) {
    for (const char* prefix : {"Global\\", "Local\\"}) {
      std::string text(prefix);
      if (rest.compare(0, text.size(), text) == 0) {
        rest = rest.substr(text.size());
        break;
      }
    }
  }
  if (rest.find('\\') != std::string::npos) return false;
  *key = winsim::detail::Lower(rest);
  return true;
}

std::shared_ptr<MutexState> FindNamed(const std::string& name) {
  std::string key;
  if (!NamespaceKey(name, &key)) return nullptr;
  auto found = NamedMutexes().find(key);
  return found == NamedMutexes().end() ? nullptr : found->second.lock();
}

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
    std::string key;
    if (!NamespaceKey(name, &key)) {
      SetLastError(ERROR_PATH_NOT_FOUND);
      return nullptr;
    }
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
  winsim::detail::SetLastErrorOfSuccess(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
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
    SetLastError(ERROR_NOT_OWNER);
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
      if (state.abandoned) {
        state.abandoned = false;
        state.owner = std::this_thread::get_id();
        state.recursion = 1;
        return WAIT_ABANDONED;
      }
      if (state.elsewhere || (state.recursion != 0 && state.owner != std::this_thread::get_id())) return timeOut();
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

namespace winsim {

void HoldMutexElsewhere(const std::string& name) {
  std::lock_guard<std::recursive_mutex> lock(detail::MachineLock());
  std::string key;
  if (!NamespaceKey(name, &key)) return;
  std::shared_ptr<MutexState> state = NamedMutexes()[key].lock();
  if (state == nullptr) {
    state = std::make_shared<MutexState>();
    NamedMutexes()[key] = state;
  }
  state->owner = std::thread::id();
  state->recursion = 1;
  state->elsewhere = true;
  state->abandoned = false;
  HeldElsewhere().push_back(state);
}

void AbandonMutexElsewhere(const std::string& name) {
  std::lock_guard<std::recursive_mutex> lock(detail::MachineLock());
  std::shared_ptr<MutexState> state = FindNamed(name);
  if (state == nullptr || !state->elsewhere) return;
  state->elsewhere = false;
  state->recursion = 0;
  state->abandoned = true;
  // The other process's reference ends with it: without a handle here the mutex is gone.
  auto& held = HeldElsewhere();
  for (auto it = held.begin(); it != held.end();) it = *it == state ? held.erase(it) : it + 1;
}

bool MutexExists(const std::string& name) {
  std::lock_guard<std::recursive_mutex> lock(detail::MachineLock());
  return FindNamed(name) != nullptr;
}

bool MutexOwned(const std::string& name) {
  std::lock_guard<std::recursive_mutex> lock(detail::MachineLock());
  std::shared_ptr<MutexState> state = FindNamed(name);
  return state != nullptr && (state->elsewhere || state->recursion != 0);
}

}  // namespace winsim
