#include "deploy_fixture.h"

#include <windows.h>

#include "pe_image_writer.h"
#include "winsim/processes.h"
#include "winsim/registry.h"
#include "winsim/services.h"

namespace basetdic_test {

const char kSetupDir[] = "C:\\setup";
const char kDataPath[] = "C:\\ProgramData\\Qandor\\";
const char kDataPathValue[] = "C:\\ProgramData\\Qandor";

namespace {


}  // namespace

DeployMachine::DeployMachine(const winsim::OsVersion& os, bool wow64)
    : machine_(winsim::testsupport::ConfigFor(os, wow64)) {
  PutVersionedFile(std::string(kSetupDir) + "\\Basetdi.nt4", "1.0.0.1");
  PutVersionedFile(std::string(kSetupDir) + "\\zelbase.sys", "1.0.0.1");
  PutVersionedFile(std::string(kSetupDir) + "\\basetdic.dll", "1.0.0.0");
  PutVersionedFile(std::string(kSetupDir) + "\\snetcfg.exe", "1.0.0.0");
  winsim::WriteHostFile(std::string(kSetupDir) + "\\zelbase.inf", "[Version]\r\n");
  winsim::WriteHostFile(std::string(kSetupDir) + "\\zelbase.cat", "catalog");
  winsim::InstallNetCfgStandIn(std::string(kSetupDir) + "\\snetcfg.exe");
  winsim::RegPutString("HKLM\\SOFTWARE\\Qandor\\zel", "datapath", kDataPathValue);
  winsim::WriteHostFile(std::string(kDataPath) + ".keep", "");
  winsim::SetDriverDevice("basetdi.sys", "baseTdi");
  winsim::SetDriverDevice("zelbase.sys", "zelbase");
}

void* DeployMachine::NewModule(const char* name, bool insertFiles) {
  void* object = QueryModuleObj();
  testsupport::NameAndInsertFiles(object, name, kSetupDir, insertFiles);
  return object;
}

void DeployMachine::Release(void* object) { ReleaseObj(static_cast<ModuleObj*>(object)); }

void DeployMachine::PutVersionedFile(const std::string& path, const std::string& version) {
  winsim::WriteHostFile(path, winsim::testsupport::VersionedImageBytes(version));
}

std::string DeployMachine::DriverPath(const char* fileName) {
  return winsim::SystemDirectory() + "\\drivers\\" + fileName;
}

std::string DeployMachine::Wow64DriverPath(const char* fileName) {
  return winsim::Wow64SystemDirectory() + "\\drivers\\" + fileName;
}

TraceOn::TraceOn() { winsim::WriteHostFile(winsim::WindowsDirectory() + "\\zel.ini", "[DEBUG]\r\nZEL=1\r\n"); }

std::string TraceOn::Text() const {
  std::string text;
  winsim::ReadHostFile(winsim::Config().executablePath + ".baseTdic.txt", &text);
  return text;
}

}  // namespace basetdic_test
