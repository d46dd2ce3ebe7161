// Placeholder: reports success and does nothing until the operation is built.
#include "module/base_tdi_module_obj.h"

namespace basetdic {

int BaseTdiModuleObj::InstallDriver() {
  SetResult(1);
  return 0;
}

}  // namespace basetdic
