// The product's names: the files a setup ships, the services, registry keys and values the driver
// operations write, the devices the drivers create, the tool's component and the trace's switch. Every
// name the library writes or looks for comes from here; the host and the test fixtures use them too.
// Registry names are case-insensitive on Windows but keep the case they were created with, which stored
// machines show: keep each as it is.
#ifndef BASETDIC_RULES_PRODUCT_NAMES_H
#define BASETDIC_RULES_PRODUCT_NAMES_H

namespace basetdic {

// Setup files, as the setup directory holds them.
inline constexpr char kTdiSetupFile[] = "Basetdi.nt4";   // the NT 4.0 TDI driver, before it is placed
inline constexpr char kDriverFile[] = "zelbase.sys";     // the NT 5.x and NT 6.x driver
inline constexpr char kInfFile[] = "zelbase.inf";
inline constexpr char kCatalogFile[] = "zelbase.cat";
inline constexpr char kNetCfgTool[] = "snetcfg.exe";     // installs the driver as a network component
inline constexpr char kLibraryFile[] = "basetdic.dll";   // this library; its path names the setup directory

// Every setup file, in the order a setup inserts them.
inline constexpr const char* kSetupFiles[] = {kTdiSetupFile, kDriverFile, kInfFile,
                                              kCatalogFile,  kNetCfgTool, kLibraryFile};
// The driver package copied into the product data directory on NT 6.x, in copy order.
inline constexpr const char* kDriverPackageFiles[] = {kDriverFile, kCatalogFile, kInfFile};

// The NT 4.0 TDI driver: its file in the system driver directory, its service and its device.
inline constexpr char kTdiDriverFile[] = "basetdi.sys";
inline constexpr char kTdiServiceName[] = "basetdi";
inline constexpr char kTdiDeviceName[] = "baseTdi";
// What its shared registration writes into its service key: the reference count's value, the display
// name and the image path as the key holds them.
inline constexpr char kTdiCountValue[] = "nSon";
inline constexpr char kTdiDisplayName[] = "Qandor TDI Base Driver";
inline constexpr char kTdiImagePath[] = "System32\\DRIVERS\\BaseTDI.SYS";
// The mutex setups hold while they change the registration: in the global namespace where the system
// has one, under the plain name where it has not (NT 4.0 without Terminal Server).
inline constexpr char kTdiLockName[] = "Global\\BaseTdiC.BaseTDI";
inline constexpr char kTdiLockNameWithoutSessions[] = "BaseTdiC.BaseTDI";

// The NT 5.x driver's service and device. Install registers the service as "ZelBase" with this display
// name (two blanks) and image path; start creates and opens it as "zelbase".
inline constexpr char kDriverServiceName[] = "zelbase";
inline constexpr char kDriverDeviceName[] = "zelbase";
inline constexpr char kDriverRegisteredName[] = "ZelBase";
inline constexpr char kDriverDisplayName[] = "Qandor  Zelbase Driver";
inline constexpr char kDriverImagePath[] = "System32\\DRIVERS\\zelbase.SYS";
// The network component snetcfg.exe installs and uninstalls.
inline constexpr char kNetComponentId[] = "QD_ZelBase";

// Dependency lists as REG_MULTI_SZ data: one name, its terminator and the list's closing zero (sizeof
// counts both zeros).
inline constexpr char kDependsOnTcpip[] = "Tcpip\0";
inline constexpr char kDependsOnIpFilterDriver[] = "IpFilterDriver\0";  // the driver's under WOW64
inline constexpr char kDependsOnZelbase[] = "Zelbase\0";
static_assert(sizeof kDependsOnTcpip == 7 && sizeof kDependsOnZelbase == 9, "multi-string byte counts");

// Registry keys under HKEY_LOCAL_MACHINE.
#define BASETDIC_SERVICES_KEY "SYSTEM\\CurrentControlSet\\Services"
inline constexpr char kServicesKey[] = BASETDIC_SERVICES_KEY;
inline constexpr char kTdiServiceKey[] = BASETDIC_SERVICES_KEY "\\BaseTDI";
inline constexpr char kTdiEnumKey[] = BASETDIC_SERVICES_KEY "\\BaseTDI\\Enum";
inline constexpr char kTdiSecurityKey[] = BASETDIC_SERVICES_KEY "\\BaseTDI\\Security";
// The NT 5.x driver's key as install registers it ("ZelBase") and as remove deletes it ("zelbase").
inline constexpr char kDriverServiceKey[] = BASETDIC_SERVICES_KEY "\\ZelBase";
inline constexpr char kRemovedServiceKey[] = BASETDIC_SERVICES_KEY "\\zelbase";
inline constexpr char kRemovedEnumKey[] = BASETDIC_SERVICES_KEY "\\zelbase\\Enum";
inline constexpr char kRemovedSecurityKey[] = BASETDIC_SERVICES_KEY "\\zelbase\\Security";
// Services of the product that update adjusts but this library never creates.
inline constexpr char kZelServiceKey[] = BASETDIC_SERVICES_KEY "\\Zelservice";
inline constexpr char kFirewallDriverKey[] = BASETDIC_SERVICES_KEY "\\QdFwDrv";
inline constexpr char kHookUrlKey[] = BASETDIC_SERVICES_KEY "\\HookUrl";
#undef BASETDIC_SERVICES_KEY

// The product's own key: SOFTWARE\Qandor\<product> holds "datapath", the data directory.
inline constexpr char kVendorKey[] = "SOFTWARE\\Qandor";
inline constexpr char kProductKey[] = "zel";
inline constexpr char kDataPathValue[] = "datapath";

// The trace: switched on by key "ZEL" of section "DEBUG" in "zel.ini", written beside the host
// executable under its name with this suffix.
inline constexpr char kTraceSwitchFile[] = "zel.ini";
inline constexpr char kTraceSwitchSection[] = "DEBUG";
inline constexpr char kTraceSwitchKey[] = "ZEL";
inline constexpr char kTraceFileSuffix[] = ".baseTdic.txt";

}  // namespace basetdic

#endif
