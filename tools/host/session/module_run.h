// Preparing and driving one module object: the library, the module kind, the setup files, and one step
// at a time with a snapshot before and after.
#ifndef BASETDIC_HOST_MODULE_RUN_H
#define BASETDIC_HOST_MODULE_RUN_H

#include <functional>
#include <string>

#include "cli/host_error.h"
#include "cli/host_request.h"
#include "observe/snapshot.h"
#include "report/report.h"
#include "session/call_watch.h"
#include "session/setup_files.h"
#include "session/module_session.h"

namespace host {

struct ModuleRun {
  std::string library;
  ModuleEntryPoints entryPoints;
  std::string module;
  bool moduleChosenByHost = false;
  std::string setupFolder;
  SetupFiles setupFiles;
};

// The kind named on the command line (in any case), or with none the one the machine's Windows calls for
// (*chosenByHost then true); false with the message for a name that is no kind.
bool ChooseModuleKind(const HostRequest& request, const MachineSummary& machine, std::string* module,
                      bool* chosenByHost, HostError* error);

// Loads the library and settles the module kind and the setup folder for the machine that is open now.
bool PrepareModuleRun(const HostRequest& request, const MachineSummary& machine, ModuleRun* run, HostError* error);

// Calls action between two snapshots, its platform calls watched by calls; *last is the snapshot before
// and becomes the one after.
StepReport RunStep(const std::string& name, const std::string& call, const std::function<ModuleStatus()>& action,
                   const SnapshotScope& scope, Snapshot* last, CallWatch& calls);

// SetModuleName and InsertFile for every setup file, as one step.
StepReport NameAndInsertFiles(ModuleSession& session, const ModuleRun& run, const SnapshotScope& scope, Snapshot* last,
                              CallWatch& calls);

// One operation through the object's table, as one step named after its command and call.
StepReport RunOperation(ModuleSession& session, Operation operation, const SnapshotScope& scope, Snapshot* last,
                        CallWatch& calls);

}  // namespace host

#endif
