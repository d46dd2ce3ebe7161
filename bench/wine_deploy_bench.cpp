// Times one deployment of the FwBase2K driver, and its removal, two ways on the running (Wine) system:
//   library:        QueryModuleObj, SetModuleName("FwBase2K"), InsertFile, InstallDriver, RemoveDriver,
//                   ReleaseObj, on basetdic.dll loaded from the setup folder like a setup program does;
//   administrator:  copy zelbase.sys into the driver directory, "sc.exe create ... type= kernel
//                   start= auto", "sc.exe start", then "sc.exe stop", "sc.exe delete" and delete the file.
// Each round runs both, alternating which goes first; a first round warms both up untimed. Between
// rounds the service manager forgets the service (the library removes the key, not the manager's entry).
//
//   wine_deploy_bench.exe PAYLOAD_DIR [ROUNDS]
//
// Prints one line per round, then the medians and their ratio as the last line. Exit code 0 only when
// every step of every round did what it should.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "basetdic/module_obj.h"

namespace {

const char kService[] = "zelbase";
const char kSetupFolder[] = "C:\\basetdic-bench-setup";

int g_problems = 0;

void Problem(const std::string& what) {
  ++g_problems;
  std::printf("problem: %s\n", what.c_str());
}

double NowMilliseconds() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string SystemDriverPath() {
  char system[MAX_PATH];
  UINT length = GetSystemDirectoryA(system, sizeof(system));
  return std::string(system, length) + "\\drivers\\zelbase.sys";
}

// Where the programs' reports go: sc.exe prints the service's state after every request.
HANDLE NullDevice() {
  static HANDLE device = [] {
    SECURITY_ATTRIBUTES inheritable = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING, 0,
                       nullptr);
  }();
  return device;
}

// Runs a command line the way a console runs a program, waiting for it; its exit code, or ~0u.
DWORD Run(const std::string& commandLine) {
  std::string line = commandLine;
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = NullDevice();
  startup.hStdError = NullDevice();
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    Problem(commandLine + ": CreateProcessA error " + std::to_string(GetLastError()));
    return ~0u;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = ~0u;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

void RunExpectingSuccess(const std::string& commandLine) {
  DWORD code = Run(commandLine);
  if (code != 0) Problem(commandLine + ": exit code " + std::to_string(code));
}

// Makes the service manager forget the service, whether or not its key still exists.
void ForgetService() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE service = OpenServiceA(manager, kService, SERVICE_STOP | DELETE);
  if (service != nullptr) {
    SERVICE_STATUS status;
    ControlService(service, SERVICE_CONTROL_STOP, &status);
    DeleteService(service);
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
  DeleteFileA(SystemDriverPath().c_str());
}

bool ServiceKnown() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE service = OpenServiceA(manager, kService, SERVICE_QUERY_CONFIG);
  bool known = service != nullptr;
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return known;
}

struct Library {
  QueryModuleObjFn query = nullptr;
  ReleaseObjFn release = nullptr;
};

struct Split {
  double install = 0;
  double remove = 0;
  double Total() const { return install + remove; }
};

Split DeployWithLibrary(const Library& library) {
  const std::string dll = std::string(kSetupFolder) + "\\basetdic.dll";
  Split split;
  double start = NowMilliseconds();
  auto* object = static_cast<ModuleObjHeader*>(library.query());
  object->vtbl->SetModuleName(object, "FwBase2K");
  object->vtbl->InsertFile(object, dll.c_str());
  object->vtbl->InstallDriver(object);
  const uint32_t installed = object->statusPtr->result;
  double middle = NowMilliseconds();
  const bool fileInPlace = GetFileAttributesA(SystemDriverPath().c_str()) != INVALID_FILE_ATTRIBUTES;
  const bool serviceKnown = ServiceKnown();
  double resumed = NowMilliseconds();
  object->vtbl->RemoveDriver(object);
  const uint32_t removed = object->statusPtr->result;
  library.release(object);
  double end = NowMilliseconds();
  split.install = middle - start;
  split.remove = end - resumed;
  if (installed != 1 || !fileInPlace || !serviceKnown)
    Problem("InstallDriver: result " + std::to_string(installed) + ", driver file " +
            (fileInPlace ? "in place" : "missing") + ", service " + (serviceKnown ? "registered" : "missing"));
  if (removed != 1 || GetFileAttributesA(SystemDriverPath().c_str()) != INVALID_FILE_ATTRIBUTES)
    Problem("RemoveDriver: result " + std::to_string(removed) + ", driver file left behind or not");
  ForgetService();
  return split;
}

Split DeployAsAdministrator() {
  const std::string driver = SystemDriverPath();
  const std::string source = std::string(kSetupFolder) + "\\zelbase.sys";
  Split split;
  double start = NowMilliseconds();
  if (!CopyFileA(source.c_str(), driver.c_str(), FALSE)) Problem("copy: error " + std::to_string(GetLastError()));
  RunExpectingSuccess(std::string("sc.exe create ") + kService + " binPath= " + driver + " type= kernel start= auto");
  RunExpectingSuccess(std::string("sc.exe start ") + kService);
  double middle = NowMilliseconds();
  RunExpectingSuccess(std::string("sc.exe stop ") + kService);
  RunExpectingSuccess(std::string("sc.exe delete ") + kService);
  if (!DeleteFileA(driver.c_str())) Problem("delete: error " + std::to_string(GetLastError()));
  double end = NowMilliseconds();
  split.install = middle - start;
  split.remove = end - middle;
  if (ServiceKnown()) Problem("sc.exe delete left the service registered");
  ForgetService();
  return split;
}

bool PrepareSetupFolder(const std::string& payload) {
  CreateDirectoryA(kSetupFolder, nullptr);
  const char* const files[][2] = {{"basetdic.dll", "basetdic.dll"}, {"zelbase.sys", "zelbase.sys"},
                                  {"basetdi.sys", "Basetdi.nt4"},   {"snetcfg.exe", "snetcfg.exe"}};
  for (const auto& file : files) {
    if (!CopyFileA((payload + "\\" + file[0]).c_str(), (std::string(kSetupFolder) + "\\" + file[1]).c_str(), FALSE)) {
      Problem(std::string("cannot copy ") + file[0] + " from " + payload);
      return false;
    }
  }
  for (const char* name : {"zelbase.inf", "zelbase.cat"}) {
    HANDLE file = CreateFileA((std::string(kSetupFolder) + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    CloseHandle(file);
  }
  return true;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: wine_deploy_bench.exe PAYLOAD_DIR [ROUNDS]\n");
    return 2;
  }
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
  OSVERSIONINFOA os = {};
  os.dwOSVersionInfoSize = sizeof(os);
  GetVersionExA(&os);
  std::printf("Windows %lu.%lu build %lu; %d rounds\n", os.dwMajorVersion, os.dwMinorVersion, os.dwBuildNumber, rounds);
  if (os.dwMajorVersion != 5) std::printf("warning: FwBase2K deploys on Windows 2000 and XP only\n");

  ForgetService();
  if (!PrepareSetupFolder(argv[1])) return 1;
  HMODULE module = LoadLibraryA((std::string(kSetupFolder) + "\\basetdic.dll").c_str());
  Library library;
  library.query = reinterpret_cast<QueryModuleObjFn>(reinterpret_cast<void*>(GetProcAddress(module, "QueryModuleObj")));
  library.release = reinterpret_cast<ReleaseObjFn>(reinterpret_cast<void*>(GetProcAddress(module, "ReleaseObj")));
  if (library.query == nullptr || library.release == nullptr) {
    Problem("basetdic.dll did not load with its two exports");
    return 1;
  }

  // Untimed: the first use of each path starts services and loads code that later rounds find ready.
  DeployWithLibrary(library);
  DeployAsAdministrator();

  std::vector<double> libraryTimes, administratorTimes;
  for (int round = 1; round <= rounds; ++round) {
    Split withLibrary, asAdministrator;
    if (round % 2) {
      withLibrary = DeployWithLibrary(library);
      asAdministrator = DeployAsAdministrator();
    } else {
      asAdministrator = DeployAsAdministrator();
      withLibrary = DeployWithLibrary(library);
    }
    libraryTimes.push_back(withLibrary.Total());
    administratorTimes.push_back(asAdministrator.Total());
    std::printf("round %d: library %.1f ms (install %.1f, remove %.1f); administrator %.1f ms (install %.1f, "
                "remove %.1f)\n",
                round, withLibrary.Total(), withLibrary.install, withLibrary.remove, asAdministrator.Total(),
                asAdministrator.install, asAdministrator.remove);
  }
  FreeLibrary(module);

  const double libraryMedian = Median(libraryTimes);
  const double administratorMedian = Median(administratorTimes);
  if (g_problems) std::printf("%d problem(s): the times above are not a valid comparison\n", g_problems);
  std::printf("median library %.1f ms, administrator %.1f ms, ratio library/administrator %.3f\n", libraryMedian,
              administratorMedian, libraryMedian / administratorMedian);
  return g_problems ? 1 : 0;
}
