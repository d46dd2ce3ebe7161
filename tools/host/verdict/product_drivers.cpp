#include "verdict/product_drivers.h"

#include "rules/product_names.h"

namespace host {

const ProductDriver& TdiDriver() {
  static const ProductDriver driver{"BaseTDI",
                                    basetdic::kTdiServiceKey,
                                    basetdic::kTdiServiceName,
                                    basetdic::kTdiDriverFile,
                                    basetdic::kTdiSetupFile,
                                    basetdic::kTdiDeviceName};
  return driver;
}

const ProductDriver& KernelDriver() {
  static const ProductDriver driver{basetdic::kDriverRegisteredName,
                                    basetdic::kDriverServiceKey,
                                    basetdic::kDriverServiceName,
                                    basetdic::kDriverFile,
                                    basetdic::kDriverFile,
                                    basetdic::kDriverDeviceName};
  return driver;
}

}  // namespace host
