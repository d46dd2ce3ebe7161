// The parts of a machine a driver operation works on, read as text through plain Win32 calls (winsim's
// or the real ones), so that the machine after a faulted run can be compared with the machine a clean
// run leaves, fact by fact. Texts leave out what differs between platforms and not between runs (a
// multi-string's bytes past its first name, a text value's terminator).
#ifndef BASETDIC_TESTS_SUPPORT_SWEEP_MACHINE_FACTS_H
#define BASETDIC_TESTS_SUPPORT_SWEEP_MACHINE_FACTS_H

#include <map>
#include <string>

#include "machine_facade.h"

namespace sweep {

// Fact names. A service key's values are facts of their own: "<service> value <name>".
extern const char kTdiKey[];             // the BaseTDI service key: there or not, and its subkeys
extern const char kTdiValues[];          // the prefix of its values' facts
extern const char kTdiImage[];           // drivers\basetdi.sys and its file version
extern const char kTdiRegistered[];      // the service manager knows "basetdi"
extern const char kTdiRunning[];         // "basetdi" runs
extern const char kTdiDevice[];          // \\.\baseTdi opens
extern const char kDriverKey[];          // the zelbase service key
extern const char kDriverValues[];
extern const char kDriverImage[];        // drivers\zelbase.sys
extern const char kDriverRegistered[];
extern const char kDriverRunning[];
extern const char kDriverDevice[];       // \\.\zelbase opens
extern const char kProductServices[];    // DependOnService of Zelservice, QdFwDrv and HookUrl
extern const char kDataPathFiles[];      // the prefix of the data directory's files' facts: "data path <file>"
extern const char kToolRequests[];       // what the network-configuration tool was asked to do

using MachineFacts = std::map<std::string, std::string>;

// Reads every fact. dataPath is the product data directory (empty: none). In a WOW64 process the driver
// files are looked up in the native driver folder.
MachineFacts ReadMachineFacts(scenarios::MachineFacade& machine, const std::string& dataPath);

// A fact's text, "absent" for one the machine did not show.
std::string FactText(const MachineFacts& facts, const std::string& name);

}  // namespace sweep

#endif
