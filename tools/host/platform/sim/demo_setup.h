// The demo machine's setup: the module's setup files in a folder on drive C:, the product data path on
// NT 6.x, the stand-in network-configuration tool, and the devices the driver images create.
#ifndef BASETDIC_HOST_WINSIM_DEMO_SETUP_H
#define BASETDIC_HOST_WINSIM_DEMO_SETUP_H

#include <string>

namespace host::demo {

// Where the setup files lie and where the simulated setup program runs from.
extern const char kSetupFolder[];
extern const char kExecutablePath[];

// Writes the six setup files: PE images with version resources for Basetdi.nt4, zelbase.sys,
// snetcfg.exe and basetdic.dll, and text stand-ins for zelbase.inf and zelbase.cat.
bool WriteSetupFiles(std::string* error);

// The product's registry value HKLM\SOFTWARE\Qandor\zel "datapath" and its folder,
// C:\ProgramData\Qandor\zel (without the trailing backslash the library adds).
void WriteProductDataPath();

// What belongs to the machine but is not kept in files: snetcfg.exe's behaviour and the devices of the
// two driver images. Applied after every load.
void ApplyMachineBehaviour();

}  // namespace host::demo

#endif
