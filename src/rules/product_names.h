// The product's names in one place: the files a setup ships, the services and registry keys the driver
// operations write, and the device names the drivers create. The library, the host and the test fixtures
// all take them from here, so a name is spelt (and cased) once. Registry names are case-insensitive on
// Windows but keep the case they were created with, which stored machines show: keep each as it is.
#ifndef BASETDIC_PRODUCT_PRODUCT_NAMES_H
#define BASETDIC_PRODUCT_PRODUCT_NAMES_H

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
// The NT 5.x driver's service and device.
inline constexpr char kDriverServiceName[] = "zelbase";
inline constexpr char kDriverDeviceName[] = "zelbase";
// The network component snetcfg.exe installs and uninstalls.
inline constexpr char kNetComponentId[] = "QD_ZelBase";

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

}  // namespace basetdic

#endif
