#include "import_table.h"

#include <cstring>

namespace host::interposer {
namespace {

#ifdef _WIN64
constexpr WORD kOptionalHeaderMagic = IMAGE_NT_OPTIONAL_HDR64_MAGIC;
#else
constexpr WORD kOptionalHeaderMagic = IMAGE_NT_OPTIONAL_HDR32_MAGIC;
#endif

template <class T>
const T* At(const BYTE* base, DWORD rva) {
  return reinterpret_cast<const T*>(base + rva);
}

}  // namespace

bool ReadImportSlots(HMODULE module, std::vector<ImportSlot>* slots, std::string* error) {
  slots->clear();
  const BYTE* base = reinterpret_cast<const BYTE*>(module);
  if (base == nullptr) {
    *error = "no module";
    return false;
  }
  const IMAGE_DOS_HEADER* dos = At<IMAGE_DOS_HEADER>(base, 0);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) {
    *error = "not a PE image (no MZ header)";
    return false;
  }
  const IMAGE_NT_HEADERS* nt = At<IMAGE_NT_HEADERS>(base, static_cast<DWORD>(dos->e_lfanew));
  if (nt->Signature != IMAGE_NT_SIGNATURE || nt->OptionalHeader.Magic != kOptionalHeaderMagic) {
    *error = "not a PE image of this process's width";
    return false;
  }
  if (nt->OptionalHeader.NumberOfRvaAndSizes <= IMAGE_DIRECTORY_ENTRY_IMPORT) return true;
  const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (directory.VirtualAddress == 0 || directory.Size == 0) return true;

  for (const IMAGE_IMPORT_DESCRIPTOR* descriptor = At<IMAGE_IMPORT_DESCRIPTOR>(base, directory.VirtualAddress);
       descriptor->Name != 0; ++descriptor) {
    const std::string dll = At<char>(base, descriptor->Name);
    IMAGE_THUNK_DATA* addresses = const_cast<IMAGE_THUNK_DATA*>(At<IMAGE_THUNK_DATA>(base, descriptor->FirstThunk));
    if (descriptor->OriginalFirstThunk == 0) {
      for (; addresses->u1.Function != 0; ++addresses)
        slots->push_back({dll, std::string(), 0, reinterpret_cast<void**>(&addresses->u1.Function)});
      continue;
    }
    const IMAGE_THUNK_DATA* names = At<IMAGE_THUNK_DATA>(base, descriptor->OriginalFirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++addresses) {
      ImportSlot slot;
      slot.dll = dll;
      slot.slot = reinterpret_cast<void**>(&addresses->u1.Function);
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
        slot.ordinal = static_cast<unsigned>(IMAGE_ORDINAL(names->u1.Ordinal));
      } else {
        const IMAGE_IMPORT_BY_NAME* byName = At<IMAGE_IMPORT_BY_NAME>(base, static_cast<DWORD>(names->u1.AddressOfData));
        slot.function = reinterpret_cast<const char*>(byName->Name);
      }
      slots->push_back(std::move(slot));
    }
  }
  return true;
}

bool WriteImportSlot(void** slot, void* value) {
  DWORD previous = 0;
  if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &previous)) return false;
  *slot = value;
  DWORD ignored = 0;
  VirtualProtect(slot, sizeof *slot, previous, &ignored);
  FlushInstructionCache(GetCurrentProcess(), slot, sizeof *slot);
  return true;
}

}  // namespace host::interposer
