// A host gone wild: arbitrary sequences of SetModuleName, InsertFile, the driver operations, the hooks and
// new objects, with texts of any length (the bounds 259, 260, 520 and their neighbours favoured, paths
// with and without backslashes), on a simulated machine of a chosen Windows version whose data path, count
// and platform calls the input may also spoil. Every run must end with nothing left open.
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "hardening_machine.h"
#include "winsim/registry.h"

using fuzz::FuzzInput;

namespace {

const winsim::OsVersion& PickWindows(uint8_t choice) {
  static const winsim::OsVersion kVersions[] = {
      winsim::OsNt40(),          winsim::OsWin2k(), winsim::OsWinXp(), winsim::OsVista(),
      winsim::OsWin7(),          winsim::OsWin98(), winsim::OsWin95(), hardening::Nt(4, 0, 0x00010565),
      hardening::Nt(10, 0, 19045),
  };
  return kVersions[choice % (sizeof kVersions / sizeof kVersions[0])];
}

const char* const kKinds[] = {"FwBaseNt", "FwBase2K", "FwBaseVt", "fwbasent", "FWBASE2K", "", "FwBase"};
const char* const kFiles[] = {"basetdic.dll", "Basetdi.nt4", "zelbase.sys", "snetcfg.exe", "BASETDIC.DLL", ""};

// A path shaped like the ones hosts pass, of about the wanted length: a directory, a backslash and a file
// name; or no backslash at all; or the library's name far along the text.
std::string ShapedPath(FuzzInput& in) {
  size_t length = in.Length();
  uint8_t shape = in.Byte() % 4;
  std::string file = kFiles[in.Byte() % (sizeof kFiles / sizeof kFiles[0])];
  switch (shape) {
    case 0: {
      std::string dir = "C:\\setup";
      while (dir.size() + 1 + file.size() < length) dir += static_cast<char>('a' + dir.size() % 26);
      return dir + "\\" + file;
    }
    case 1: return in.Text(length);  // whatever the input says, backslashes or none
    case 2: return std::string(length, 'x') + file;
    default: return std::string(length, '\\') + file;
  }
}

void Call(ModuleObj* object, uint8_t slot) {
  const ModuleObjVtbl& table = hardening::TableOf(object);
  switch (slot % 10) {
    case 0: table.InstallDriver(object); break;
    case 1: table.UpdateDriver(object); break;
    case 2: table.RemoveDriver(object); break;
    case 3: table.StartDriver(object, 0); break;
    case 4: table.CheckPlatform(object); break;
    case 5: table.Hook1(object, 1); break;
    case 6: table.Hook3(object); break;
    case 7: table.Hook6(object, 1, 2, 3); break;
    case 8: table.Hook10(object); break;
    default: table.Hook13(object, 0); break;
  }
}

// Functions that can fail on Windows (closing a handle one owns cannot), with the error each gives.
const struct {
  const char* function;
  DWORD error;
} kFaults[] = {
    {"RegOpenKeyExA", ERROR_ACCESS_DENIED},      {"RegCreateKeyA", ERROR_ACCESS_DENIED},
    {"RegCreateKeyExA", ERROR_ACCESS_DENIED},    {"RegQueryValueExA", ERROR_MORE_DATA},
    {"RegSetValueExA", ERROR_ACCESS_DENIED},     {"RegDeleteKeyA", ERROR_ACCESS_DENIED},
    {"CreateFileA", ERROR_SHARING_VIOLATION},    {"CopyFileA", ERROR_SHARING_VIOLATION},
    {"DeleteFileA", ERROR_SHARING_VIOLATION},    {"WriteFile", ERROR_DISK_FULL},
    {"GetSystemDirectoryA", ERROR_INSUFFICIENT_BUFFER}, {"GetModuleFileNameA", ERROR_INSUFFICIENT_BUFFER},
    {"HeapAlloc", ERROR_NOT_ENOUGH_MEMORY},      {"CreateProcessA", ERROR_FILE_NOT_FOUND},
    {"WaitForSingleObject", ERROR_INVALID_HANDLE}, {"CreateMutexA", ERROR_ACCESS_DENIED},
    {"LoadLibraryA", ERROR_MOD_NOT_FOUND},       {"GetProcAddress", ERROR_PROC_NOT_FOUND},
    {"GetModuleHandleA", ERROR_MOD_NOT_FOUND},   {"GetFileVersionInfoA", ERROR_RESOURCE_TYPE_NOT_FOUND},
    {"VerQueryValueA", ERROR_RESOURCE_TYPE_NOT_FOUND}, {"OpenSCManagerA", ERROR_ACCESS_DENIED},
    {"OpenServiceA", ERROR_SERVICE_DOES_NOT_EXIST}, {"CreateServiceA", ERROR_SERVICE_EXISTS},
    {"StartServiceA", ERROR_FILE_NOT_FOUND},     {"IsWow64Process", ERROR_INVALID_HANDLE},
    {"Wow64DisableWow64FsRedirection", ERROR_INVALID_FUNCTION},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint8_t setup = in.Byte();
  winsim::MachineConfig config = hardening::ConfigFor(PickWindows(setup), (setup & 0x10) != 0);
  config.versionQueryFails = (setup & 0x40) != 0 && (setup & 0x20) != 0;
  hardening::BootDeployMachine(config);
  if (setup & 0x80) hardening::SwitchTraceOn();

  ModuleObj* object = hardening::NewModule("", false);
  for (int step = 0; step < 24 && !in.empty(); ++step) {
    switch (in.Byte() % 12) {
      case 0: {
        std::string name = in.Text(in.Length());
        hardening::TableOf(object).SetModuleName(object, name.c_str());
        break;
      }
      case 1: {
        std::string name = std::string(kKinds[in.Byte() % 7]) + std::string(in.Length(), 'k');
        hardening::TableOf(object).SetModuleName(object, name.c_str());
        break;
      }
      case 2: {
        std::string kind = kKinds[in.Byte() % 7];
        hardening::TableOf(object).SetModuleName(object, kind.c_str());
        break;
      }
      case 3:
      case 4: {
        std::string path = ShapedPath(in);
        hardening::TableOf(object).InsertFile(object, path.c_str());
        break;
      }
      case 5: {
        std::string path = in.Text(in.Length());
        hardening::TableOf(object).InsertFile(object, path.c_str());
        break;
      }
      case 6:
      case 7:
      case 8: Call(object, in.Byte()); break;
      case 9:
        winsim::ClearFaults();
        hardening::Release(object);
        object = hardening::NewModule("", false);
        break;
      case 10: {
        winsim::QuietScope quiet;
        DWORD type = in.Byte() % 8;
        winsim::RegPutValue(hardening::kDataPathKey, "datapath", type, in.Text(in.Length()));
        if (in.Byte() & 1) winsim::RegPutValue(hardening::kTdiKey, "nSon", REG_DWORD, in.Text(in.Byte() % 9));
        break;
      }
      default: {
        const auto& fault = kFaults[in.Byte() % (sizeof kFaults / sizeof kFaults[0])];
        winsim::FailNthCallOf(fault.function, 1 + in.Byte() % 8, fault.error);
        break;
      }
    }
  }
  winsim::ClearFaults();
  hardening::Release(object);
  fuzz::CheckMachineClean();
  return 0;
}
