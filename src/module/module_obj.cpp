// The interface's own bodies for its first three slots: they take their argument and do nothing.
#include "basetdic/module_obj.h"

int ModuleObj::SetModuleName(const char*) { return 0; }
int ModuleObj::Hook1(uint32_t) { return 0; }
int ModuleObj::InsertFile(const char*) { return 0; }
