// The expectations a driver of the product can fail, each adding at most one notice: its image in the
// system driver folder and not older than the setup folder's, its service key as the operation writes
// it, the driver running with its device open, and nothing of it left after a remove.
#ifndef BASETDIC_HOST_VERDICT_DRIVER_CHECKS_H
#define BASETDIC_HOST_VERDICT_DRIVER_CHECKS_H

#include <windows.h>

#include <string>
#include <vector>

#include "report/step_facts.h"
#include "verdict/evidence.h"
#include "verdict/product_drivers.h"

namespace host {

// One value of a service key as the operation writes it.
struct ExpectedValue {
  enum class Kind { Number, DriverImage, ListHolds };
  const char* name;
  Kind kind;
  DWORD number = 0;          // Number
  std::string entry;         // ListHolds: one entry of a REG_MULTI_SZ list
};

// The image is in the system driver folder and not older than the setup file it is copied from.
void ExpectImagePlaced(const Evidence& evidence, const ProductDriver& driver, std::vector<Notice>* notices);
// The key holds the values (a DriverImage value naming image); nothing is expected of a key that is not
// there. name is how the notice calls the key's owner.
void ExpectKeyValues(const Evidence& evidence, const std::string& name, const std::string& keyPath,
                     const std::vector<ExpectedValue>& values, const std::string& image, std::vector<Notice>* notices);
// The service key holds the values, and (when the manager must know it) the service manager knows the
// service.
void ExpectRegistered(const Evidence& evidence, const ProductDriver& driver, const std::vector<ExpectedValue>& values,
                      bool managerKnowsIt, std::vector<Notice>* notices);
// The driver's service runs and its device opens (a device that opens is up, as the library judges).
void ExpectDriverUp(const Evidence& evidence, const ProductDriver& driver, std::vector<Notice>* notices);
// No service key, no running driver and no image of it are left.
void ExpectDriverGone(const Evidence& evidence, const ProductDriver& driver, std::vector<Notice>* notices);

// The registration values the TDI driver's shared registration writes (its count aside), which are also
// what any service of a product driver holds: kernel driver, automatic start, normal errors, its image.
std::vector<ExpectedValue> TdiRegistrationValues();
// What install registers for the kernel-driver service, depending on Tcpip, or IpFilterDriver under WOW64.
std::vector<ExpectedValue> KernelServiceValues(bool wow64);

// Whether a service start error says the image is not one the machine can load.
bool IsInvalidImageError(DWORD error);

}  // namespace host

#endif
