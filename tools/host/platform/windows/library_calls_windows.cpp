// The library's platform calls on a live system, seen and steered through the import-table interposer
// the host installs on the basetdic.dll it loads. Where it could not be installed, the host sees only the
// error a step left on the thread, cleared before the step begins.
#include "interposer.h"
#include "platform/platform.h"
#include "platform/windows/interposed_library.h"

namespace host::platform {
namespace {

struct Observer {
  std::unique_ptr<interposer::Interposer> interposer;
  std::string unseenWhy = "the library is not loaded yet";
};

Observer& Observed() {
  static Observer observer;
  return observer;
}

}  // namespace

void InterposeOn(HMODULE library) {
  Observer& observed = Observed();
  std::string why;
  observed.interposer = interposer::Interposer::Install(library, &why);
  observed.unseenWhy = observed.interposer ? std::string() : "the host could not interpose on its imports: " + why;
}

bool SeesLibraryCalls(std::string* why) {
  *why = Observed().unseenWhy;
  return why->empty();
}

size_t MarkCalls() {
  if (const auto& seen = Observed().interposer) return seen->Calls().size();
  SetLastError(ERROR_SUCCESS);
  return 0;
}

std::vector<PlatformCall> CallsSince(size_t mark) {
  std::vector<PlatformCall> calls;
  if (const auto& seen = Observed().interposer) {
    const std::vector<interposer::Call>& recorded = seen->Calls();
    for (size_t i = mark; i < recorded.size(); ++i) {
      // A call with no failure value succeeded whatever it left in the last error, as winsim's log has it.
      const interposer::Call& call = recorded[i];
      calls.push_back({call.function, call.arguments, call.errorOnly ? ERROR_SUCCESS : call.error, call.injected});
    }
    return calls;
  }
  DWORD error = GetLastError();
  if (error != ERROR_SUCCESS) calls.push_back({"", "last error the step left on the thread", error, false});
  return calls;
}

bool FailNthCallOf(const std::string& function, unsigned n, DWORD error, std::string* why) {
  const auto& seen = Observed().interposer;
  if (!seen) {
    *why = "calls cannot be made to fail here: " + Observed().unseenWhy;
    return false;
  }
  if (!seen->FailNthCallOf(function, n, error)) {
    *why = "the host does not pass " + function + " of this library through a wrapper, so it cannot fail it";
    return false;
  }
  return true;
}

void ClearFaults() {
  if (const auto& seen = Observed().interposer) seen->ClearFaults();
}

bool LibraryHandles(std::vector<LibraryHandle>* handles) {
  handles->clear();
  const auto& seen = Observed().interposer;
  if (!seen) return false;
  for (const interposer::OpenHandle& open : seen->OpenHandleList()) {
    handles->push_back({interposer::HandleKindName(open.kind), open.what});
  }
  return true;
}

}  // namespace host::platform
