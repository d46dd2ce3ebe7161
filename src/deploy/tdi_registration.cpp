// Placeholder until the TDI registration is built.
#include "module/base_tdi_module_obj.h"

namespace basetdic {

void BaseTdiModuleObj::AcquireTdiRegistration(const char*) { StartDriverThroughInterface(); }
void BaseTdiModuleObj::ReleaseTdiRegistration() {}

}  // namespace basetdic
