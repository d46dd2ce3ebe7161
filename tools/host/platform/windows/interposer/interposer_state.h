// What the wrappers and the Interposer share while one is installed: the recorded calls, the planned
// failures and the handle ledger.
#ifndef BASETDIC_TOOLS_HOST_PLATFORM_WINDOWS_INTERPOSER_INTERPOSER_STATE_H
#define BASETDIC_TOOLS_HOST_PLATFORM_WINDOWS_INTERPOSER_INTERPOSER_STATE_H

#include <windows.h>

#include <string>
#include <vector>

#include "handle_ledger.h"
#include "interposer.h"

namespace host::interposer {

struct FaultPlan {
  std::string function;
  unsigned remaining = 0;  // calls of function until the one that fails, that one included
  DWORD error = 0;
};

struct ImportPatch {
  void** slot;
  void* original;
};

struct Interposer::State {
  std::vector<Call> calls;
  std::vector<FaultPlan> faults;
  unsigned fired = 0;
  HandleLedger handles;
  std::vector<std::string> notDecoded;
  std::vector<ImportPatch> patches;
  bool quiet = false;

  // A key as the call log names it: a predefined root by its short name ("HKLM"), a key opened through the
  // interposer by its path ("HKLM\SYSTEM\..."), anything else by its value.
  std::string KeyText(HKEY key) const;
  // The path of subKey below key, for a key the library opens.
  std::string KeyPath(HKEY key, const char* subKey) const;
  // A service-manager handle by its value; a service handle by its value and the service's name.
  std::string ServiceHandleText(SC_HANDLE handle) const;

  // Counts this call of function against every plan watching it; the error of the plan that falls due
  // (the one made first when several do), or 0.
  DWORD DueFault(const char* function);
  // Starts the record of a call; the index to finish it with.
  size_t Begin(const char* function, std::string arguments);
  void Finish(size_t record, DWORD error, bool injected, bool errorOnly = false);
};

// The state of the installed interposer, or null.
Interposer::State* ActiveState();

}  // namespace host::interposer

#endif
