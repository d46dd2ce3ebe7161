// The product's two drivers as the verdict names and looks for them: the NT 4.0 TDI driver and the
// NT 5.x/6.x network driver, each with its service key, the service name
// the manager knows, its image in the system driver folder, its setup file and its device. Every name
// comes from the library's own product names.
#ifndef BASETDIC_HOST_VERDICT_PRODUCT_DRIVERS_H
#define BASETDIC_HOST_VERDICT_PRODUCT_DRIVERS_H

namespace host {

struct ProductDriver {
  const char* name;         // as the report names it: "ZelBase", "BaseTDI"
  const char* serviceKey;   // below HKEY_LOCAL_MACHINE
  const char* serviceName;  // as the service manager knows it (without regard to case)
  const char* imageFile;    // in the system driver folder
  const char* setupFile;    // in the setup folder
  const char* device;       // \\.\NAME
};

const ProductDriver& TdiDriver();
const ProductDriver& KernelDriver();

}  // namespace host

#endif
