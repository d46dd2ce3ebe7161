// A machine prepared for the driver operations: setup files with versions, the tool stand-in, the
// product data path, and drivers that create their devices.
#ifndef BASETDIC_TESTS_UNIT_DEPLOY_DEPLOY_FIXTURE_H
#define BASETDIC_TESTS_UNIT_DEPLOY_DEPLOY_FIXTURE_H

#include <string>

#include "basetdic/module_obj.h"
#include "support/module_session.h"
#include "temp_machine.h"
#include "winsim/machine.h"

namespace basetdic_test {

extern const char kSetupDir[];   // C:\setup
extern const char kDataPath[];   // C:\ProgramData\Qandor\ (with its backslash)

class DeployMachine {
 public:
  DeployMachine(const winsim::OsVersion& os, bool wow64);
  // A module object named `name` with every setup file inserted (or none).
  void* NewModule(const char* name, bool insertFiles = true);
  void Release(void* object);

  // Writes a driver-like PE file with this "FileVersion" text (empty: no version resource).
  static void PutVersionedFile(const std::string& path, const std::string& version);
  static std::string DriverPath(const char* fileName);  // %windir%\system32\drivers\<name>
  static std::string Wow64DriverPath(const char* fileName);

 private:
  winsim::testsupport::TempMachine machine_;
};

using testsupport::StatusOf;
using testsupport::TableOf;

// The trace switched on for the life of the object; Text() reads what was written.
class TraceOn {
 public:
  TraceOn();
  std::string Text() const;
};

}  // namespace basetdic_test

#endif
