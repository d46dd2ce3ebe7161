// The module kinds a host can name, compared without regard to the case of ASCII letters.
#ifndef BASETDIC_MODULE_MODULE_KIND_H
#define BASETDIC_MODULE_MODULE_KIND_H

namespace basetdic {

enum class ModuleKind { Unknown, FwBaseNt, FwBase2K, FwBaseVt };

ModuleKind KindOfName(const char* name);

}  // namespace basetdic

#endif
