// What status found: the product's two drivers (service key, the service manager's view, image, setup
// file, device, and the TDI driver's count), the network component, the data path with the driver package
// in it, and the judgement for the module kind: its state, the notices and the exit code.
#ifndef BASETDIC_HOST_STATUS_REPORT_H
#define BASETDIC_HOST_STATUS_REPORT_H

#include <windows.h>

#include <ostream>
#include <string>
#include <vector>

#include "observe/machine_summary.h"
#include "observe/snapshot.h"
#include "report/step_facts.h"

namespace host {

struct DriverStatus {
  std::string name;     // "ZelBase"
  std::string keyPath;  // "HKLM\SYSTEM\CurrentControlSet\Services\ZelBase"
  bool registered = false;  // its service key is there
  bool knownToManager = false;
  ServiceState service;     // the manager's view, when it knows the service
  std::string imagePath;    // where its image belongs
  bool imagePresent = false;
  FileState image;
  std::string setupPath;    // the setup file it is copied from; empty without a setup folder
  bool setupPresent = false;
  FileState setup;
  std::string device;       // "zelbase", opened as \\.\zelbase
  bool deviceOpens = false;
  bool counted = false;     // the shared TDI driver: its reference count is shown
  bool countReadable = false;
  DWORD count = 0;
};

struct StatusReport {
  MachineSummary machine;
  std::vector<Notice> notices;  // said before the state ("a new machine was created ...")
  std::string module;
  bool moduleChosenByHost = false;
  std::string setupFolder;
  std::vector<DriverStatus> drivers;
  std::vector<ServiceState> otherServices;  // the product's services this library never creates, when there
  std::string component;  // "QD_ZelBase"
  bool componentInstalled = false;
  std::string dataPathValue;  // where the data path is kept
  std::string dataPath;       // empty when not set
  std::vector<std::string> packagePresent;
  std::vector<std::string> packageMissing;
  // The judgement for the module kind: "running" / "installed", "not installed", "not working", "left behind".
  std::string state;
  std::vector<Notice> problems;
  int exitCode = 0;
  std::string summary;  // one line
};

void PrintStatusText(const StatusReport& report, std::ostream& out);
void PrintStatusJson(const StatusReport& report, std::ostream& out);
void PrintStatus(const StatusReport& report, bool json, std::ostream& out);

}  // namespace host

#endif
