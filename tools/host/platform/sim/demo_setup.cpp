#include "platform/sim/demo_setup.h"

#include <filesystem>
#include <vector>

#include "native_images.h"
#include "observe/registry_key.h"
#include "pe_image_writer.h"
#include "rules/product_names.h"
#include "winsim/machine.h"
#include "winsim/persistence.h"
#include "winsim/registry.h"
#include "winsim/services.h"

namespace host::demo {
namespace {

using winsim::testsupport::PeKind;
using winsim::testsupport::PeMachine;

struct SetupImage {
  const char* name;
  PeKind kind;
  const char* fileVersion;
  const char* description;
};

const SetupImage kImages[] = {
    {basetdic::kTdiSetupFile, PeKind::Driver, "3.1.0.118", "TDI driver for Windows NT 4.0"},
    {basetdic::kDriverFile, PeKind::Driver, "3.1.0.204", "network driver"},
    {basetdic::kNetCfgTool, PeKind::Exe, "1.0.0.3", "network configuration tool (stand-in)"},
    {basetdic::kLibraryFile, PeKind::Dll, "1.0.0.0", "driver deployment library"},
};

const char kInf[] =
    "; zelbase.inf: network service component QD_ZelBase (demo stand-in)\r\n"
    "[Version]\r\n"
    "Signature   = \"$Windows NT$\"\r\n"
    "Class       = NetService\r\n"
    "ClassGUID   = {4D36E974-E325-11CE-BFC1-08002BE10318}\r\n"
    "CatalogFile = zelbase.cat\r\n"
    "DriverVer   = 11/04/2011,3.1.0.204\r\n"
    "\r\n"
    "[Manufacturer]\r\n"
    "%Vendor% = Models\r\n"
    "\r\n"
    "[Models]\r\n"
    "%ZelBase.Desc% = ZelBase.Install, QD_ZelBase\r\n"
    "\r\n"
    "[Strings]\r\n"
    "Vendor = \"Qandor\"\r\n"
    "ZelBase.Desc = \"ZelBase network filter\"\r\n";

const char kCat[] = "zelbase.cat: security catalog stand-in for the demo (not a signed catalog)\r\n";

std::string Bytes(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string SetupPath(const char* name) { return std::string(kSetupFolder) + "\\" + name; }

}  // namespace

const char kSetupFolder[] = "C:\\setup";
const char kExecutablePath[] = "C:\\setup\\basetdic-host.exe";

bool WriteSetupFiles(std::string* error) {
  for (const SetupImage& image : kImages) {
    winsim::testsupport::VersionInfoSpec version = winsim::testsupport::SimpleVersionInfo(image.fileVersion);
    version.stringTables[0].strings.insert(version.stringTables[0].strings.begin(),
                                           {{"FileDescription", image.description}, {"ProductName", basetdic::kProductKey}});
    version.fileType = image.kind == PeKind::Driver ? 3u : image.kind == PeKind::Exe ? 1u : 2u;  // VFT_DRV, APP, DLL
    // The drivers are built for the machine's processor (AMD64 on a WOW64 machine: drivers never run under
    // WOW64); the programs and the library are 32-bit like the setup program.
    PeMachine machine = image.kind == PeKind::Driver ? winsim::testsupport::NativePeMachine() : PeMachine::I386;
    auto peImage = winsim::testsupport::ImageWithVersion(version, machine, image.kind);
    peImage.withCode = true;
    if (!winsim::WriteHostFile(SetupPath(image.name), Bytes(winsim::testsupport::BuildPeImage(peImage)))) {
      *error = std::string("cannot write ") + SetupPath(image.name);
      return false;
    }
  }
  if (!winsim::WriteHostFile(SetupPath(basetdic::kInfFile), kInf) ||
      !winsim::WriteHostFile(SetupPath(basetdic::kCatalogFile), kCat)) {
    *error = std::string("cannot write ") + basetdic::kInfFile + " and " + basetdic::kCatalogFile + " in " + kSetupFolder;
    return false;
  }
  winsim::InstallMachineNetCfgStandIn(SetupPath(basetdic::kNetCfgTool));
  return true;
}

void WriteProductDataPath() {
  // Stored without a trailing backslash: the library appends one to whatever it reads.
  const std::string dataPath = "C:\\ProgramData\\" + KeyLeafName(basetdic::kVendorKey) + "\\" + basetdic::kProductKey;
  winsim::RegPutString(std::string("HKLM\\") + basetdic::kVendorKey + "\\" + basetdic::kProductKey,
                       basetdic::kDataPathValue, dataPath);
  std::error_code ignored;
  std::filesystem::create_directories(winsim::HostPath(dataPath), ignored);
}

void ApplyMachineBehaviour() {
  winsim::SetDriverDevice(basetdic::kTdiDriverFile, basetdic::kTdiDeviceName);
  winsim::SetDriverDevice(basetdic::kDriverFile, basetdic::kDriverDeviceName);
}

}  // namespace host::demo
