#include "interposer.h"

#include <utility>

#include "call_text.h"
#include "fitting_errors.h"
#include "hooked_functions.h"
#include "import_table.h"
#include "interposer_state.h"

namespace host::interposer {
namespace {

Interposer::State* g_active = nullptr;

// The predefined roots by the short names winsim's call log uses. Only the low 32 bits are compared, as
// winsim does: a 64-bit process sees the roots sign-extended.
const char* RootName(HKEY key) {
  switch (static_cast<uint32_t>(reinterpret_cast<uintptr_t>(key))) {
    case 0x80000000u: return "HKCR";
    case 0x80000001u: return "HKCU";
    case 0x80000002u: return "HKLM";
    case 0x80000003u: return "HKU";
    default: return nullptr;
  }
}

}  // namespace

Interposer::State* ActiveState() { return g_active; }

const char* HandleKindName(HandleKind kind) {
  switch (kind) {
    case HandleKind::Key: return "key";
    case HandleKind::File: return "file";
    case HandleKind::Find: return "find";
    case HandleKind::ServiceManager: return "service manager";
    case HandleKind::Service: return "service";
    case HandleKind::Mutex: return "mutex";
    case HandleKind::Process: return "process";
    case HandleKind::Thread: return "thread";
    case HandleKind::Module: return "module";
  }
  return "?";
}

// ---- what the wrappers share ----

std::string Interposer::State::KeyText(HKEY key) const {
  if (const char* root = RootName(key)) return root;
  if (const std::string* path = handles.What(HandleKind::Key, key)) return *path;
  return Hex(key);
}

std::string Interposer::State::KeyPath(HKEY key, const char* subKey) const {
  std::string path = KeyText(key);
  if (subKey != nullptr && subKey[0] != '\0') path += std::string("\\") + subKey;
  return path;
}

std::string Interposer::State::ServiceHandleText(SC_HANDLE handle) const {
  std::string text = Hex(handle);
  if (const std::string* name = handles.What(HandleKind::Service, handle)) text += " " + Arg(name->c_str());
  return text;
}

DWORD Interposer::State::DueFault(const char* function) {
  DWORD error = 0;
  for (auto plan = faults.begin(); plan != faults.end();) {
    if (plan->function != function || --plan->remaining != 0) {
      ++plan;
      continue;
    }
    if (error == 0) {
      error = plan->error;
      ++fired;
    }
    plan = faults.erase(plan);
  }
  return error;
}

size_t Interposer::State::Begin(const char* function, std::string arguments) {
  calls.push_back(Call{function, std::move(arguments)});
  return calls.size() - 1;
}

void Interposer::State::Finish(size_t record, DWORD error, bool injected, bool errorOnly) {
  if (record >= calls.size()) return;
  Call& call = calls[record];
  call.error = error;
  call.injected = injected;
  call.errorOnly = errorOnly && !injected;
  if (injected) call.arguments += " -> injected fault " + std::to_string(error);
}

// ---- the owner's side ----

Interposer::Interposer() : state_(std::make_unique<State>()) {}

std::unique_ptr<Interposer> Interposer::Install(HMODULE module, std::string* error) {
  if (g_active != nullptr) {
    *error = "an interposer is already installed in this process";
    return nullptr;
  }
  std::vector<ImportSlot> slots;
  if (!ReadImportSlots(module, &slots, error)) return nullptr;

  std::unique_ptr<Interposer> interposer(new Interposer());
  State& state = *interposer->state_;
  for (const ImportSlot& slot : slots) {
    const detail::Entry* entry = slot.function.empty() ? nullptr : detail::FindEntry(slot.function);
    if (entry == nullptr) {
      if (!detail::PassedThroughByDesign(slot.dll, slot.function))
        state.notDecoded.push_back(slot.dll + "!" +
                                   (slot.function.empty() ? "#" + std::to_string(slot.ordinal) : slot.function));
      continue;
    }
    void* original = *slot.slot;
    entry->bind(original);
    if (!WriteImportSlot(slot.slot, entry->wrapper)) {
      *error = "cannot write the import of " + slot.function + " (error " + std::to_string(GetLastError()) + ")";
      return nullptr;  // the destructor puts back what was written
    }
    state.patches.push_back({slot.slot, original});
  }
  g_active = &state;
  return interposer;
}

Interposer::~Interposer() {
  for (auto patch = state_->patches.rbegin(); patch != state_->patches.rend(); ++patch)
    WriteImportSlot(patch->slot, patch->original);
  if (g_active == state_.get()) g_active = nullptr;
}

const std::vector<Call>& Interposer::Calls() const { return state_->calls; }

void Interposer::ClearCalls() { state_->calls.clear(); }

bool Interposer::FailNthCallOf(const std::string& function, unsigned n, DWORD error) {
  const detail::Entry* entry = detail::FindEntry(function);
  if (entry == nullptr || !entry->canFail || n == 0) return false;
  state_->faults.push_back({function, n, error != 0 ? error : FittingErrorFor(function)});
  return true;
}

void Interposer::ClearFaults() { state_->faults.clear(); }

unsigned Interposer::FaultsFired() const { return state_->fired; }

HandleCounts Interposer::OpenHandleCounts() const { return state_->handles.Counts(); }

size_t Interposer::OpenHandles(HandleKind kind) const { return OpenHandleCounts()[static_cast<size_t>(kind)]; }

size_t Interposer::OpenHandles() const {
  size_t total = 0;
  for (size_t count : OpenHandleCounts()) total += count;
  return total;
}

std::vector<OpenHandle> Interposer::OpenHandleList() const { return state_->handles.List(); }

const std::vector<std::string>& Interposer::NotDecoded() const { return state_->notDecoded; }

Interposer::Quiet::Quiet(Interposer& interposer) : interposer_(interposer), previous_(interposer.state_->quiet) {
  interposer_.state_->quiet = true;
}

Interposer::Quiet::~Quiet() { interposer_.state_->quiet = previous_; }

bool IsInterposed(const std::string& function) { return detail::FindEntry(function) != nullptr; }

std::vector<std::string> InterposedFunctions() {
  std::vector<std::string> names;
  for (const detail::Entry& entry : detail::Entries()) names.push_back(entry.name);
  return names;
}

}  // namespace host::interposer
