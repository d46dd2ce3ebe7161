// Two setup programs deploying the shared NT 4.0 TDI driver at the same moment. The parent starts two
// copies of itself as workers; both load basetdic.dll from this program's folder, name the module
// FwBaseNt with the setup files in the same folder, wait for a common start signal and then call
// InstallDriver (or RemoveDriver) N times each. Afterwards the parent reads the reference count "nSon":
// two times N acquires must leave 2N, and two times N releases must leave neither the BaseTDI key nor
// basetdi.sys behind (the driver, which the installs started, is stopped between the phases).
//
//   race_tdi_registration.exe race N [trace]          both phases, exit 0 when nothing was lost; with
//                                                     "trace" the library's trace is switched on and its
//                                                     lines about the lock are counted
//   race_tdi_registration.exe worker install|remove N one worker (started by the parent)
//
// The folder must hold basetdic.dll and Basetdi.nt4 (any file will do: only the count matters here).
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "basetdic/module_obj.h"

namespace {

const char kServiceKey[] = "SYSTEM\\CurrentControlSet\\Services\\BaseTDI";
const char kReadyName[] = "BaseTdiC.RaceTest.Ready";
const char kStartName[] = "BaseTdiC.RaceTest.Start";
const DWORD kWorkerWaitMs = 10 * 60 * 1000;

std::string ProgramDirectory() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  if (length == 0 || length >= sizeof path) return ".";
  std::string text(path, length);
  size_t cut = text.find_last_of('\\');
  return cut == std::string::npos ? std::string(".") : text.substr(0, cut);
}

// A generic function pointer converted to the export's real type.
template <class Function>
Function Export(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)(void)>(GetProcAddress(module, name)));
}

int RunWorker(bool install, unsigned count) {
  std::string folder = ProgramDirectory();
  HMODULE library = LoadLibraryA((folder + "\\basetdic.dll").c_str());
  if (library == nullptr) {
    fprintf(stderr, "worker: basetdic.dll did not load (error %lu)\n", GetLastError());
    return 3;
  }
  QueryModuleObjFn query = Export<QueryModuleObjFn>(library, "QueryModuleObj");
  ReleaseObjFn release = Export<ReleaseObjFn>(library, "ReleaseObj");
  void* object = query != nullptr ? query() : nullptr;
  if (object == nullptr || release == nullptr) {
    fprintf(stderr, "worker: no module object\n");
    return 3;
  }
  const ModuleObjHeader* header = static_cast<const ModuleObjHeader*>(object);
  header->vtbl->SetModuleName(object, "FwBaseNt");
  header->vtbl->InsertFile(object, (folder + "\\Basetdi.nt4").c_str());

  // Ready, then wait for the parent's start signal so that both workers begin together.
  HANDLE ready = OpenSemaphoreA(SEMAPHORE_MODIFY_STATE, FALSE, kReadyName);
  HANDLE start = OpenEventA(SYNCHRONIZE, FALSE, kStartName);
  if (ready != nullptr) ReleaseSemaphore(ready, 1, nullptr);
  if (start != nullptr) WaitForSingleObject(start, kWorkerWaitMs);

  unsigned failures = 0;
  for (unsigned i = 0; i < count; ++i) {
    if (install)
      header->vtbl->InstallDriver(object);
    else
      header->vtbl->RemoveDriver(object);
    if (header->statusPtr->result != 1) ++failures;
  }
  release(object);
  if (ready != nullptr) CloseHandle(ready);
  if (start != nullptr) CloseHandle(start);
  if (failures != 0) fprintf(stderr, "worker: %u calls reported result 0\n", failures);
  return failures == 0 ? 0 : 4;
}

// Starts two workers, lets them go at once, waits for both. False when either did not run to its end.
bool RunPhase(const char* operation, unsigned count) {
  HANDLE ready = CreateSemaphoreA(nullptr, 0, 2, kReadyName);
  HANDLE start = CreateEventA(nullptr, TRUE, FALSE, kStartName);
  if (ready == nullptr || start == nullptr) {
    fprintf(stderr, "race: no start signal (error %lu)\n", GetLastError());
    return false;
  }
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  PROCESS_INFORMATION workers[2] = {};
  bool ok = true;
  for (PROCESS_INFORMATION& worker : workers) {
    std::string line = "\"" + std::string(self) + "\" worker " + operation + " " + std::to_string(count);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessA(self, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &worker)) {
      fprintf(stderr, "race: worker did not start (error %lu)\n", GetLastError());
      ok = false;
    }
  }
  for (const PROCESS_INFORMATION& worker : workers) {
    if (worker.hProcess != nullptr && WaitForSingleObject(ready, 60000) != WAIT_OBJECT_0) ok = false;
  }
  SetEvent(start);
  for (PROCESS_INFORMATION& worker : workers) {
    if (worker.hProcess == nullptr) continue;
    DWORD exitCode = 1;
    if (WaitForSingleObject(worker.hProcess, kWorkerWaitMs) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(worker.hProcess, &exitCode) || exitCode != 0) {
      fprintf(stderr, "race: a %s worker ended with %lu\n", operation, exitCode);
      ok = false;
    }
    CloseHandle(worker.hThread);
    CloseHandle(worker.hProcess);
  }
  CloseHandle(ready);
  CloseHandle(start);
  return ok;
}

bool ServiceKeyExists() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServiceKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// The stored count; -1 when the key or value is missing.
long long StoredCount() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServiceKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return -1;
  DWORD count = 0;
  DWORD size = sizeof count;
  LONG read = RegQueryValueExA(key, "nSon", nullptr, nullptr, reinterpret_cast<BYTE*>(&count), &size);
  RegCloseKey(key);
  return read == ERROR_SUCCESS ? static_cast<long long>(count) : -1;
}

// The remove operation leaves a running driver alone, and a loaded driver image cannot be deleted; the
// driver is stopped between the phases so that the last release can take its file.
void StopDriver() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE service = manager != nullptr ? OpenServiceA(manager, "basetdi", SERVICE_ALL_ACCESS) : nullptr;
  if (service != nullptr) {
    SERVICE_STATUS status = {};
    ControlService(service, SERVICE_CONTROL_STOP, &status);
    for (int i = 0; i < 100 && QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED; ++i)
      Sleep(50);
    CloseServiceHandle(service);
  }
  if (manager != nullptr) CloseServiceHandle(manager);
}

std::string DriverFile() {
  char system[MAX_PATH];
  UINT length = GetSystemDirectoryA(system, sizeof system);
  return std::string(system, length < sizeof system ? length : 0) + "\\drivers\\basetdi.sys";
}

// Switches the library's debug trace on for this prefix (key ZEL of section DEBUG in the Windows
// directory's zel.ini).
void SwitchTraceOn() { WritePrivateProfileStringA("DEBUG", "ZEL", "1", "zel.ini"); }

// The trace lines of the workers (both write beside this program) that say the lock was not had.
unsigned LinesWithoutLock() {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  FILE* trace = fopen((std::string(self) + ".baseTdic.txt").c_str(), "rb");
  if (trace == nullptr) return 0;
  unsigned lines = 0;
  char line[1024];
  while (fgets(line, sizeof line, trace) != nullptr) {
    if (strstr(line, "without its lock") != nullptr) {
      if (lines < 5) printf("  trace: %s", line);
      ++lines;
    }
  }
  fclose(trace);
  return lines;
}

int RunRace(unsigned count, bool trace) {
  if (trace) SwitchTraceOn();
  if (ServiceKeyExists()) {
    fprintf(stderr, "race: the BaseTDI key exists already; use a fresh prefix\n");
    return 2;
  }
  DWORD began = GetTickCount();
  bool acquired = RunPhase("install", count);
  long long afterInstall = StoredCount();
  printf("after 2 x %u acquires: nSon = %lld (expected %u)%s, %lu ms\n", count, afterInstall, 2 * count,
         acquired ? "" : " [a worker failed]", GetTickCount() - began);
  StopDriver();
  DWORD releasing = GetTickCount();
  bool released = RunPhase("remove", count);
  bool keyLeft = ServiceKeyExists();
  bool fileLeft = GetFileAttributesA(DriverFile().c_str()) != INVALID_FILE_ATTRIBUTES;
  printf("after 2 x %u releases: BaseTDI key %s, basetdi.sys %s%s, %lu ms\n", count, keyLeft ? "present" : "gone",
         fileLeft ? "present" : "gone", released ? "" : " [a worker failed]", GetTickCount() - releasing);
  if (keyLeft) printf("  nSon left = %lld\n", StoredCount());
  printf("race took %lu ms\n", GetTickCount() - began);
  if (trace) printf("trace lines saying the lock was not had: %u\n", LinesWithoutLock());
  bool kept = acquired && released && afterInstall == 2LL * count && !keyLeft && !fileLeft;
  printf("%s\n", kept ? "PASS: no reference lost" : "FAIL: references lost");
  return kept ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if ((argc == 3 || argc == 4) && strcmp(argv[1], "race") == 0)
    return RunRace(static_cast<unsigned>(atoi(argv[2])), argc == 4 && strcmp(argv[3], "trace") == 0);
  if (argc == 4 && strcmp(argv[1], "worker") == 0) {
    bool install = strcmp(argv[2], "install") == 0;
    if (!install && strcmp(argv[2], "remove") != 0) return 2;
    return RunWorker(install, static_cast<unsigned>(atoi(argv[3])));
  }
  fprintf(stderr, "usage: %s race N [trace] | worker install|remove N\n", argv[0]);
  return 2;
}
