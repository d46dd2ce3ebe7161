#include "session/module_run.h"

#include "cli/vocabulary.h"
#include "observe/machine_files.h"
#include "platform/platform.h"
#include "rules/module_kind.h"
#include "rules/product_names.h"

namespace host {

bool ChooseModuleKind(const HostRequest& request, const MachineSummary& machine, std::string* module,
                      bool* chosenByHost, HostError* error) {
  *chosenByHost = request.module.empty();
  *module = *chosenByHost ? basetdic::KindName(basetdic::KindForWindows(machine.os)) : CanonicalModuleName(request.module);
  if (module->empty()) {
    error->message = "unknown module kind \"" + request.module + "\": name " + ModuleNameList() + " (in any case)";
    return false;
  }
  return true;
}

bool PrepareModuleRun(const HostRequest& request, const MachineSummary& machine, ModuleRun* run, HostError* error) {
  run->library = request.library.empty() ? platform::DefaultLibraryPath() : platform::LibraryFile(request.library);
  std::string why;
  if (!platform::LoadModuleLibrary(run->library, &run->entryPoints, &why)) {
    error->message = "cannot load the library " + run->library + ": " + why +
                     "; build it (scripts/demo does) or name it with --library PATH";
    return false;
  }
  if (!ChooseModuleKind(request, machine, &run->module, &run->moduleChosenByHost, error)) return false;
  run->setupFolder = request.setupFolder.empty() ? platform::DefaultSetupFolder(run->library) : request.setupFolder;
  while (run->setupFolder.size() > 3 && run->setupFolder.back() == '\\') run->setupFolder.pop_back();
  if (run->setupFolder.empty()) {
    error->message = "no setup folder: name the folder that holds the module's files with --setup DIR";
    return false;
  }
  if (IsPlainFile(run->setupFolder)) {
    size_t slash = run->setupFolder.find_last_of('\\');
    std::string folder = slash == std::string::npos ? std::string() : run->setupFolder.substr(0, slash > 2 ? slash : 3);
    error->message = "--setup " + run->setupFolder + " is a file, not a folder: give --setup the folder that holds " +
                     "the module's files" + (folder.empty() ? std::string() : ", e.g. --setup " + folder);
    return false;
  }
  if (!IsFolder(run->setupFolder)) {
    error->message = "the setup folder " + run->setupFolder + " does not exist on this machine; give --setup a " +
                     "Windows path (C:\\...) of a folder that holds the module's files";
    return false;
  }
  run->setupFiles = FindSetupFiles(run->setupFolder);
  if (run->setupFiles.present.empty()) {
    error->message = "the setup folder " + run->setupFolder + " holds none of the module's files (" +
                     basetdic::kLibraryFile + ", " + basetdic::kDriverFile + ", ...); name the right one with --setup DIR";
    return false;
  }
  return true;
}

StepReport RunStep(const std::string& name, const std::string& call, const std::function<ModuleStatus()>& action,
                   const SnapshotScope& scope, Snapshot* last, CallWatch& calls) {
  StepReport step;
  step.name = name;
  step.call = call;
  calls.Begin();
  step.status = action();
  calls.End(&step);
  Snapshot after = TakeSnapshot(scope);
  step.changes = Compare(*last, after);
  *last = std::move(after);
  return step;
}

StepReport NameAndInsertFiles(ModuleSession& session, const ModuleRun& run, const SnapshotScope& scope, Snapshot* last,
                              CallWatch& calls) {
  std::string call = "SetModuleName, InsertFile x" + std::to_string(run.setupFiles.present.size());
  return RunStep(
      "setup", call,
      [&] {
        ModuleStatus status = session.SetModuleName(run.module);
        for (const std::string& path : run.setupFiles.present) status = session.InsertFile(path);
        return status;
      },
      scope, last, calls);
}

StepReport RunOperation(ModuleSession& session, Operation operation, const SnapshotScope& scope, Snapshot* last,
                        CallWatch& calls) {
  return RunStep(OperationName(operation), CallName(operation), [&] { return session.Call(operation); }, scope, last,
                 calls);
}

}  // namespace host
