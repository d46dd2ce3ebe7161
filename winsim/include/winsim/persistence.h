// Saving a simulated machine to a folder and loading it back, so that a host run can continue where the
// last one ended. The folder holds:
//   machine.json   configuration (Windows version, WOW64, directories, executable, process id, clock, code
//                  page), devices, the service manager's database and the stand-in programs
//   registry.reg   the whole registry as a REGEDIT5 text file a person can read and edit
//   drives/C/...   each drive as a folder
#ifndef WINSIM_PERSISTENCE_H
#define WINSIM_PERSISTENCE_H

#include <string>
#include <vector>

namespace winsim {

// The registry as REGEDIT5 text. Every key gets a section, so empty keys survive. A value is written as
// "text" only when it is a REG_SZ whose bytes are exactly printable ASCII and one terminating zero, as
// dword:xxxxxxxx only when it is a REG_DWORD of four bytes, and as hex(type): bytes otherwise (hex: for
// REG_BINARY), so that every value's type and exact bytes come back. Text is 8-bit, not UTF-16.
std::string RegistryToRegText();

// Replaces the whole registry with what text describes. Accepts what RegistryToRegText writes and what a
// person typically edits into it: comments (;), blank lines, continuation lines, [-key] and "name"=-
// deletions, a UTF-8 byte order mark, REGEDIT4 headers. On a malformed line the registry is left as it
// was and *error names the line and the problem.
bool RegistryFromRegText(const std::string& text, std::string* error);

// True when folder holds a saved machine (its machine.json exists).
bool IsMachineFolder(const std::string& folder);

// Writes the running machine into folder (created when missing). Drives already mapped onto
// folder/drives/<letter> stay where they are; drives mapped elsewhere are copied there.
bool SaveMachine(const std::string& folder, std::string* error);
// Writes only machine.json and registry.reg into folder (created when missing), for a caller that keeps
// the drives where they are mapped; machine.json names them as folder/drives/<letter> all the same.
bool SaveMachineFiles(const std::string& folder, std::string* error);

// Boots the machine saved in folder: its drives are mapped onto folder/drives/<letter> in place, so the
// files the library writes land in the saved machine directly.
bool LoadMachine(const std::string& folder, std::string* error);
// The same with the drives mapped onto driveRoot/drives/<letter> instead (a copy the caller made), so that
// what the run writes reaches folder only when the caller puts it there. On failure *error names the file
// and what is wrong in it.
bool LoadMachine(const std::string& folder, const std::string& driveRoot, std::string* error);

// The real time that has passed since the loaded machine was saved (0 when its folder does not say), for
// StartNextRun.
unsigned long long MillisecondsSinceSave();

// The snetcfg.exe stand-in as part of the machine: installed on imagePath now and again after every load,
// without a request log (the components it installs are recorded in the registry).
void InstallMachineNetCfgStandIn(const std::string& imagePath);
std::vector<std::string> MachineNetCfgStandIns();

}  // namespace winsim

#endif
