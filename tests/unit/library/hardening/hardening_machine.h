// Machines for the hardening tests: booted thousands of times by the fault sweep, so booting stays cheap.
// Drive C: lives in one short host folder per test process (in memory where the host has /dev/shm), which
// every boot empties and reuses; the setup files' images are built once. The short host root also keeps
// Windows paths near their 259-character bound within the host's own path limits.
#ifndef BASETDIC_TESTS_UNIT_HARDENING_HARDENING_MACHINE_H
#define BASETDIC_TESTS_UNIT_HARDENING_HARDENING_MACHINE_H

#include <string>

#include "basetdic/module_obj.h"
#include "support/module_session.h"
#include "winsim/machine.h"

namespace hardening {

extern const char kSetupDir[];     // C:\setup
extern const char kDataPathKey[];  // HKLM\SOFTWARE\Qandor\zel
extern const char kTdiKey[];       // HKLM\SYSTEM\CurrentControlSet\Services\BaseTDI

// The host folder that holds drive C: of every machine booted here.
const std::string& HostRoot();

// Boots an empty machine (no setup files) over HostRoot().
void BootBareMachine(const winsim::MachineConfig& config);

// Boots a machine ready for the driver operations: versioned setup files in kSetupDir (or in setupDir),
// the tool stand-in, the product data path "C:\ProgramData\Qandor", and drivers that create their devices.
void BootDeployMachine(const winsim::MachineConfig& config, const std::string& setupDir = kSetupDir);

winsim::MachineConfig ConfigFor(const winsim::OsVersion& os, bool wow64 = false);
winsim::OsVersion Nt(DWORD major, DWORD minor, DWORD build);

// Writes a driver-like PE file whose "FileVersion" is this text (built once per text).
void PutVersionedFile(const std::string& windowsPath, const std::string& version);

// Switches the trace on (zel.ini in the Windows directory) and reads what it wrote.
void SwitchTraceOn();
std::string TraceText();

// A module object as a host makes it: named, and with every setup file of setupDir inserted (or none).
ModuleObj* NewModule(const char* name, bool insertFiles = true, const std::string& setupDir = kSetupDir);
void Release(ModuleObj* object);
using testsupport::StatusOf;
using testsupport::TableOf;

// The stored nSon, or -1 when the key or value is missing, or -2 when it is not four bytes.
long long StoredCount();
bool TdiKeyExists();
bool TdiDriverExists();  // %windir%\system32\drivers\basetdi.sys

}  // namespace hardening

#endif
