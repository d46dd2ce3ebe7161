// The import address table of a loaded module: its slots by DLL and function name, and writing a slot.
#ifndef BASETDIC_TOOLS_HOST_PLATFORM_WINDOWS_INTERPOSER_IMPORT_TABLE_H
#define BASETDIC_TOOLS_HOST_PLATFORM_WINDOWS_INTERPOSER_IMPORT_TABLE_H

#include <windows.h>

#include <string>
#include <vector>

namespace host::interposer {

struct ImportSlot {
  std::string dll;       // as the import directory names it ("KERNEL32.dll")
  std::string function;  // empty for an import by ordinal
  unsigned ordinal = 0;
  void** slot = nullptr;  // the address the module calls through
};

// Every imported function of module. False, with *error, when module is not a mapped PE image of this
// process's width; a DLL imported without a name table (its names are lost once bound) is listed with
// an empty function name and ordinal 0.
bool ReadImportSlots(HMODULE module, std::vector<ImportSlot>* slots, std::string* error);

// Writes value into the slot, lifting the page's protection for the write only. False when the
// protection cannot be changed.
bool WriteImportSlot(void** slot, void* value);

}  // namespace host::interposer

#endif
