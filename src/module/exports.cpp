// The library's two exports and its entry point.
#include <windows.h>

#include "module/base_tdi_module_obj.h"

extern "C" {

// Creates a module object for the host; null when no memory can be had.
ModuleObj* QueryModuleObj(void) { return basetdic::BaseTdiModuleObj::Create(); }

// Ends an object through its own Destroy slot; a null pointer is accepted. Always 1.
int ReleaseObj(ModuleObj* object) {
  if (object != nullptr) object->Destroy(1);
  return 1;
}

}  // extern "C"

// The entry point does nothing: the library keeps no global state to set up or tear down.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
