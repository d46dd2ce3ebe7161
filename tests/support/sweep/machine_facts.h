// The parts of a machine a driver operation works on, read as text through plain Win32 calls (winsim's
// or the real ones), so that the machine after a faulted run can be compared with the machine a clean
// run leaves, fact by fact.
#ifndef BASETDIC_TESTS_SUPPORT_SWEEP_MACHINE_FACTS_H
#define BASETDIC_TESTS_SUPPORT_SWEEP_MACHINE_FACTS_H

#include <map>
#include <string>

#include "machine_facade.h"

namespace sweep {

// Fact names.
extern const char kTdiKey[];             // the BaseTDI service key's values but the count, and its subkeys
extern const char kTdiCount[];           // its nSon value
extern const char kTdiImage[];           // drivers\basetdi.sys and its file version
extern const char kTdiService[];         // the service manager's view of "basetdi": registered, state
extern const char kTdiDevice[];          // \\.\baseTdi opens
extern const char kDriverKey[];          // the zelbase service key's values and subkeys
extern const char kDriverImage[];        // drivers\zelbase.sys and its file version
extern const char kDriverService[];      // the service manager's view of "zelbase"
extern const char kDriverDevice[];       // \\.\zelbase opens
extern const char kProductServices[];    // DependOnService of Zelservice, QdFwDrv and HookUrl
extern const char kDataPathCopies[];     // the files in the product data directory, with versions
extern const char kToolRequests[];       // what the network-configuration tool was asked to do
extern const char kTraceRecords[];       // how many records the trace file holds

using MachineFacts = std::map<std::string, std::string>;

// Reads every fact. dataPath is the product data directory (empty: none). In a WOW64 process the driver
// files are looked up in the native driver folder.
MachineFacts ReadMachineFacts(scenarios::MachineFacade& machine, const std::string& dataPath);

}  // namespace sweep

#endif
