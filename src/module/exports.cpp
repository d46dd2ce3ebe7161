// The library's two exports, as the public header declares them, and its entry point.
#include <windows.h>

#include "basetdic/module_obj.h"
#include "module/base_tdi_module_obj.h"

extern "C" {

ModuleObj* BASETDIC_CDECL QueryModuleObj(void) { return basetdic::BaseTdiModuleObj::Create(); }

int BASETDIC_CDECL ReleaseObj(ModuleObj* object) {
  if (object != nullptr) object->Destroy(1);
  return 1;
}

}  // extern "C"

// The entry point does nothing: the library keeps no global state to set up or tear down.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
