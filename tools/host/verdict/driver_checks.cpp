#include "verdict/driver_checks.h"

#include "report/windows_names.h"
#include "rules/product_names.h"
#include "steps/file_version.h"
#include "verdict/verdict_codes.h"

namespace host {
namespace {

uint32_t Packed(const std::string& version) { return basetdic::PackVersionText(version.c_str(), version.size()); }

std::string Joined(const std::vector<std::string>& parts, const char* separator) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : separator) + part;
  return text;
}

std::string DriverImage(const Evidence& evidence, const ProductDriver& driver) {
  return evidence.after.DriverFolderFile(driver.imageFile);
}

// Why the manager's service, or the one it does not know, is not running; *code becomes invalid-image
// when the image is the cause.
std::string WhyNotRunning(const Evidence& evidence, const ProductDriver& driver, const ServiceState* service,
                          const char** code) {
  if (service == nullptr) {
    if (const FailedCall* open = evidence.FailedCallOf("OpenSCManagerA"))
      return "the service manager could not be opened" + FailureClause(open);
    return "the service manager does not know it" + FailureClause(evidence.FailedCallOf("CreateServiceA"));
  }
  if (service->markedForDelete) return "it is marked for deletion and goes at the next reboot";
  std::string image = evidence.after.ImageFile(service->imagePath);
  if (image.empty()) return "it has no image path";
  // The library's own spelling of the driver folder's file, when the service names that file.
  if (SameName(image, DriverImage(evidence, driver))) image = DriverImage(evidence, driver);
  FileState file;
  if (!evidence.FileOnMachine(image, &file)) return "its image " + image + " is missing";
  if (IsInvalidImageError(service->exitCode)) {
    *code = code::kInvalidImage;
    return "its image " + image + " is not a valid driver image for this machine (its start failed with " +
           ErrorWords(service->exitCode) + ")";
  }
  if (service->exitCode != 0) return "its last start failed with " + ErrorWords(service->exitCode);
  if (const FailedCall* start = evidence.FailedCallOf("StartServiceA")) return "it did not start" + FailureClause(start);
  if (const FailedCall* left = evidence.FailedCallOf("")) {
    return "it did not start (the step left error " + ErrorWords(left->error) + ")";
  }
  if (service->start == SERVICE_DISABLED) return "it is disabled";
  return "it is " + ServiceStateName(service->state);
}

// "Start is 3, not 2"; empty when the value is as expected. A driver image value is compared with image.
std::string Mismatch(const Evidence& evidence, const RegistryKeyState& key, const ExpectedValue& expected,
                     const std::string& image) {
  const RegistryValueState* value = nullptr;
  for (const RegistryValueState& candidate : key.values) {
    if (SameName(candidate.name, expected.name)) value = &candidate;
  }
  std::string name = expected.name;
  if (value == nullptr) return name + " is missing";
  switch (expected.kind) {
    case ExpectedValue::Kind::Number: {
      DWORD number = 0;
      if (!DwordOf(value, &number)) return name + " is not a number";
      return number == expected.number ? ""
                                       : name + " is " + std::to_string(number) + ", not " + std::to_string(expected.number);
    }
    case ExpectedValue::Kind::DriverImage:
      return SameName(evidence.after.ImageFile(TextOf(value)), image)
                 ? ""
                 : name + " is \"" + TextOf(value) + "\", not the driver image " + image;
    case ExpectedValue::Kind::ListHolds: {
      std::vector<std::string> entries = ListOf(value);
      for (const std::string& entry : entries) {
        if (SameName(entry, expected.entry)) return "";
      }
      return name + " is " + (entries.empty() ? std::string("empty") : Joined(entries, ", ")) + ", not " + expected.entry;
    }
  }
  return "";
}

}  // namespace

bool IsInvalidImageError(DWORD error) {
  const DWORD kImageForOtherProcessor = 216;  // ERROR_EXE_MACHINE_TYPE_MISMATCH
  return error == ERROR_BAD_FORMAT || error == ERROR_BAD_EXE_FORMAT || error == kImageForOtherProcessor;
}

std::vector<ExpectedValue> TdiRegistrationValues() {
  using Kind = ExpectedValue::Kind;
  return {{"Type", Kind::Number, SERVICE_KERNEL_DRIVER, ""},
          {"Start", Kind::Number, SERVICE_AUTO_START, ""},
          {"ErrorControl", Kind::Number, SERVICE_ERROR_NORMAL, ""},
          {"ImagePath", Kind::DriverImage, 0, ""}};
}

std::vector<ExpectedValue> KernelServiceValues(bool wow64) {
  using Kind = ExpectedValue::Kind;
  const char* dependency = wow64 ? basetdic::kDependsOnIpFilterDriver : basetdic::kDependsOnTcpip;
  std::vector<ExpectedValue> values = TdiRegistrationValues();
  values.push_back({"DependOnService", Kind::ListHolds, 0, dependency});
  return values;
}

void ExpectImagePlaced(const Evidence& evidence, const ProductDriver& driver, std::vector<Notice>* notices) {
  const std::string image = DriverImage(evidence, driver);
  const std::string setupPath = evidence.SetupPath(driver.setupFile);
  FileState placed, setup;
  const bool hasSetup = evidence.SetupFile(driver.setupFile, &setup);
  const FailedCall* copy = evidence.FailedCallOf("CopyFileA", image);
  if (!evidence.FileOnMachine(image, &placed)) {
    std::string cause = FailureClause(copy);
    if (!hasSetup && !setupPath.empty())
      cause += (cause.empty() ? ": " : "; ") + std::string("the setup folder has no ") + driver.setupFile;
    notices->push_back({code::kImageMissing, image + " is missing" + cause});
    return;
  }
  if (hasSetup && Packed(setup.version) != 0 && Packed(placed.version) < Packed(setup.version)) {
    notices->push_back({code::kOlderImage, image + " is version " + (placed.version.empty() ? "(none)" : placed.version) +
                                               ", older than " + setupPath + " (" + setup.version + ")" +
                                               FailureClause(copy)});
  }
}

void ExpectKeyValues(const Evidence& evidence, const std::string& name, const std::string& keyPath,
                     const std::vector<ExpectedValue>& values, const std::string& image, std::vector<Notice>* notices) {
  const RegistryKeyState* key = evidence.after.Key(keyPath);
  std::vector<std::string> mismatches;
  for (const ExpectedValue& expected : values) {
    std::string mismatch = key == nullptr ? "" : Mismatch(evidence, *key, expected, image);
    if (!mismatch.empty()) mismatches.push_back(mismatch);
  }
  if (mismatches.empty()) return;
  notices->push_back({code::kNotConfigured,
                      name + " is not registered as " + evidence.Writer() + " writes it: " + Joined(mismatches, "; ")});
}

void ExpectRegistered(const Evidence& evidence, const ProductDriver& driver, const std::vector<ExpectedValue>& values,
                      bool managerKnowsIt, std::vector<Notice>* notices) {
  if (evidence.after.Key(driver.serviceKey) == nullptr) {
    std::string cause = FailureClause(evidence.FailedCallOf("OpenSCManagerA"));
    if (cause.empty()) cause = FailureClause(evidence.FailedCallOf("CreateServiceA"));
    notices->push_back({code::kNotConfigured, std::string(driver.name) + " is not registered: HKLM\\" +
                                                  driver.serviceKey + " is missing" + cause});
    return;
  }
  std::vector<Notice> found;
  ExpectKeyValues(evidence, driver.name, driver.serviceKey, values, DriverImage(evidence, driver), &found);
  if (managerKnowsIt && evidence.after.Service(driver.serviceName) == nullptr) {
    if (found.empty()) {
      found.push_back({code::kNotConfigured, std::string(driver.name) + " is not registered as " + evidence.Writer() +
                                                 " writes it: the service manager does not know it"});
    } else {
      found.back().text += "; the service manager does not know it";
    }
  }
  notices->insert(notices->end(), found.begin(), found.end());
}

void ExpectDriverUp(const Evidence& evidence, const ProductDriver& driver, std::vector<Notice>* notices) {
  const ServiceState* service = evidence.after.Service(driver.serviceName);
  const bool running = service != nullptr && !service->markedForDelete && service->state == SERVICE_RUNNING;
  if (evidence.after.DeviceOpens(driver.device)) return;
  const std::string name = driver.name;
  if (running) {
    notices->push_back({code::kNoDevice, name + " runs but \\\\.\\" + driver.device +
                                             " does not open: the driver did not create its device"});
    return;
  }
  const char* code = code::kNotRunning;
  std::string why = WhyNotRunning(evidence, driver, service, &code);
  notices->push_back({code, name + " is not running: " + why});
}

void ExpectDriverGone(const Evidence& evidence, const ProductDriver& driver, std::vector<Notice>* notices) {
  if (evidence.after.Key(driver.serviceKey) != nullptr) {
    const std::string key = std::string("HKLM\\") + driver.serviceKey;
    std::string cause = FailureClause(evidence.FailedCallOf("RegDeleteKeyA", std::string("\"") + driver.serviceKey + "\""));
    if (cause.empty()) cause = FailureClause(evidence.FailedCallOf("RegOpenKeyExA", driver.serviceKey));
    for (const auto& other : evidence.after.State().keys) {
      if (LowerAscii(other.second.path).rfind(LowerAscii(key) + "\\", 0) == 0) {
        cause += cause.empty() ? ": it still holds subkeys" : "; it still holds subkeys";
        break;
      }
    }
    notices->push_back({code::kLeftBehind, key + " is still there" + cause});
  }
  const std::string image = DriverImage(evidence, driver);
  FileState file;
  const bool imageLeft = evidence.FileOnMachine(image, &file);
  const ServiceState* service = evidence.after.Service(driver.serviceName);
  if (service != nullptr && !service->markedForDelete && service->state == SERVICE_RUNNING) {
    std::string text = std::string(driver.name) + " still runs: remove does not stop the driver, and the service manager keeps "
                                       "it until the next reboot";
    if (imageLeft) text += "; so " + image + " stays" + FailureClause(evidence.FailedCallOf("DeleteFileA", image));
    notices->push_back({code::kLeftBehind, text});
    return;
  }
  if (!imageLeft) return;
  std::string cause = FailureClause(evidence.FailedCallOf("DeleteFileA", image));
  // The kernel driver's remove deletes the file only once its service key opened.
  if (cause.empty() && &driver == &KernelDriver() && evidence.before != nullptr &&
      evidence.before->Key(driver.serviceKey) == nullptr)
    cause = ": remove deletes it only together with the service key, and there was none";
  notices->push_back({code::kLeftBehind, image + " is still there" + cause});
}

}  // namespace host
