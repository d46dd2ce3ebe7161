// The platform calls of a loaded basetdic.dll, seen and steered from the host's side on Windows.
//
// Installing an Interposer rewrites the DLL's import address table: every import the table below knows
// goes through a wrapper of the same signature and calling convention, which records the call
// (function, arguments as winsim's call log writes them, the error it failed with) and can fail the
// Nth call of a function without making it. The functions the library binds at run time are covered
// too: its GetProcAddress hands back the wrapper for a name the table knows. Imports the table does not
// know are passed through untouched and listed by NotDecoded(). While installed, the interposer counts
// the handles the library opened through it and has not closed.
//
// Rules that hold for every wrapper: a call is made with the arguments the library passed; the library
// sees the result and the last error the call produced, and the last error it left itself when the call
// sets none (an injected failure: the failure value and the injected error). The library makes every call on the
// host's thread, and so must the interposer's owner.
#ifndef BASETDIC_TOOLS_HOST_PLATFORM_WINDOWS_INTERPOSER_INTERPOSER_H
#define BASETDIC_TOOLS_HOST_PLATFORM_WINDOWS_INTERPOSER_INTERPOSER_H

#include <windows.h>

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace host::interposer {

// The kinds of handle counted. Devices opened with CreateFileA count as files.
enum class HandleKind { Key, File, Find, ServiceManager, Service, Mutex, Process, Thread, Module };
constexpr size_t kHandleKinds = 9;
// "key", "file", "find", "service manager", "service", "mutex", "process", "thread", "module".
const char* HandleKindName(HandleKind kind);

struct Call {
  std::string function;
  std::string arguments;  // as winsim's call log writes them; an injected failure ends in " -> injected fault N"
  DWORD error = 0;        // the error the call failed with (the registry functions: their result); 0 on success
  bool injected = false;  // failed by FailNthCallOf without being made
  bool errorOnly = false; // no failure value: error is only what the call left (GetPrivateProfileIntA
                          // on a missing file returns the default it was given), not a failure
};

// A handle the library opened through the interposer and has not closed.
struct OpenHandle {
  HandleKind kind;
  std::string what;  // the key's path, the file's name, the service's name, the module's name ...
};

using HandleCounts = std::array<size_t, kHandleKinds>;

class Interposer {
 public:
  // Rewrites the import table of module (a DLL loaded in this process). Null, with *error saying why,
  // when module is not a PE image of this process's width or another interposer is installed.
  static std::unique_ptr<Interposer> Install(HMODULE module, std::string* error);
  // Puts the import table back. Wrappers the library still holds (from GetProcAddress) go on working;
  // they pass calls straight through once no interposer is installed.
  ~Interposer();
  Interposer(const Interposer&) = delete;
  Interposer& operator=(const Interposer&) = delete;

  // Every call recorded since installation or the last ClearCalls, in order.
  const std::vector<Call>& Calls() const;
  void ClearCalls();

  // Makes the nth call (1 = the next one) of function, counted from now, fail with error without being
  // made; error 0 takes the fitting one (FittingErrorFor). False when the function is not interposed or
  // has no failure to show (GetTickCount, Sleep ...).
  bool FailNthCallOf(const std::string& function, unsigned n, DWORD error = 0);
  void ClearFaults();
  // How many injected failures have fired since installation.
  unsigned FaultsFired() const;

  HandleCounts OpenHandleCounts() const;
  size_t OpenHandles(HandleKind kind) const;
  size_t OpenHandles() const;  // every kind
  std::vector<OpenHandle> OpenHandleList() const;

  // Imports of the module that are passed through without a wrapper, as "DLL!function" (or "DLL!#ordinal"):
  // functions the table does not know. The C runtime's imports and the few kernel functions winsim's call
  // log leaves out as well (the thread's error word, the runtime's locks and heap handle) are not listed.
  const std::vector<std::string>& NotDecoded() const;

  // While one lives, calls pass straight through: not recorded, not counted against a fault, their
  // handles not counted. For steps the owner takes with the library that are not under observation.
  class Quiet {
   public:
    explicit Quiet(Interposer& interposer);
    ~Quiet();
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;

   private:
    Interposer& interposer_;
    bool previous_;
  };

  struct State;  // what the wrappers share; public for them, opaque to owners

 private:
  Interposer();
  std::unique_ptr<State> state_;
};

// Whether calls of the named function go through a wrapper when the library makes them.
bool IsInterposed(const std::string& function);
// Every function the interposer wraps, in table order.
std::vector<std::string> InterposedFunctions();

}  // namespace host::interposer

#endif
