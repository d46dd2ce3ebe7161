// What the deployment scenarios read off a machine, through plain Win32 calls that winsim and Wine both
// answer, and a host session that drives the module object the way a setup program does.
#ifndef BASETDIC_TESTS_SCENARIOS_SCENARIO_CHECKS_H
#define BASETDIC_TESTS_SCENARIOS_SCENARIO_CHECKS_H

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "basetdic/module_obj.h"
#include "machine_facade.h"
#include "support/module_session.h"

namespace scenarios {

// Where a check helper was called from: its failures are reported there, as Wine's ok_(file, line) does,
// so that a failure points at the case, not at the helper.
struct CallSite {
  const char* file;
  int line;
};
#define SCENARIO_CALL_SITE ::scenarios::CallSite{__FILE__, __LINE__}

// A failure at the call site, with what was checked, when actual differs from expected.
template <class Actual, class Expected>
void ExpectEqualAt(const CallSite& at, const Actual& actual, const Expected& expected, const std::string& what) {
  if (!(actual == expected))
    ADD_FAILURE_AT(at.file, at.line) << what << ": got " << ::testing::PrintToString(actual) << ", expected "
                                     << ::testing::PrintToString(expected);
}

struct RegistryValue {
  bool present = false;
  DWORD type = REG_NONE;
  std::string bytes;
};

// HKLM only; the key path without the root.
bool KeyExists(const std::string& key);
RegistryValue ReadValue(const std::string& key, const std::string& name);
std::string DwordBytes(DWORD value);
// Writes a value under HKLM (creating the key) for a case's starting state.
void WriteValue(const std::string& key, const std::string& name, DWORD type, const std::string& bytes);
void DeleteKeyTree(const std::string& key);

bool FileExists(const std::string& path);
// A file's bytes (empty when it cannot be read), and a file written whole, replacing what was there.
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& text);

// While alive, file look-ups on this thread reach the native system directory: WOW64 file-system
// redirection is off. Outside WOW64 it changes nothing.
class NativeFileView {
 public:
  NativeFileView() : off_(Wow64DisableWow64FsRedirection(&saved_)) {}
  ~NativeFileView() {
    if (off_) Wow64RevertWow64FsRedirection(saved_);
  }
  NativeFileView(const NativeFileView&) = delete;
  NativeFileView& operator=(const NativeFileView&) = delete;

 private:
  PVOID saved_ = nullptr;
  BOOL off_;
};

// Whether the file exists in the native system directory's view (NativeFileView) / in this process's view.
bool NativeFileExists(const std::string& path);
// The "FileVersion" string of a file's version resource; empty when it has none.
std::string FileVersionText(const std::string& path);
std::string SystemDirectory();
std::string DriverPath(const std::string& fileName);  // system directory + "\drivers\" + name

struct ServiceView {
  bool exists = false;
  DWORD type = 0, startType = 0, errorControl = 0, state = 0;
  DWORD exitCode = 0;  // the status's dwWin32ExitCode: the error of the last failed start
  std::string binaryPath, displayName;
  std::string dependencies;  // the multi-string as bytes, up to and including its closing zero
};
ServiceView ReadService(const std::string& name);

// 32-bit Wine's CreateServiceA stores a dependency list given as "Tcpip\0\0" with hundreds of bytes behind
// it (CreateServiceW stores it right, and so does 64-bit Wine): the mark for checks of DependOnService
// after the service installer created the service, active on 32-bit Wine (32-bit and WOW64 prefixes).
extern const char kAnsiDependencyGap[];
bool On32BitWine(const MachineFacade& machine);
bool DeviceOpens(const std::string& name);

// Switches the trace on or off (zel.ini in the Windows directory) and reads the trace file.
void SwitchTrace(bool on);
std::string TraceText();

// The exports of the machine's library, as its facade reaches them.
inline testsupport::ModuleExports ExportsOf(MachineFacade& machine) {
  return {[&machine] { return machine.QueryModuleObj(); }, [&machine](void* object) { return machine.ReleaseObj(object); }};
}

// A setup program's session with one module object of the machine's library, every setup file of the
// folder inserted.
class HostSession : public testsupport::ModuleSession {
 public:
  HostSession(MachineFacade& machine, const std::string& moduleKind, const std::string& setupFolder)
      : ModuleSession(ExportsOf(machine), moduleKind.c_str(), setupFolder) {}
};

}  // namespace scenarios

#endif
