/* BaseTdiC host interface: the two exports, the module object's interface and its status block.
 *
 * A setup program loads basetdic.dll, calls QueryModuleObj to obtain a module object, names the module
 * kind with SetModuleName, inserts the module's setup files with InsertFile, calls the driver operations,
 * reads the ModuleStatus block through statusPtr after every call, and finally hands the object to
 * ReleaseObj. Every slot but Destroy returns 0; outcomes are reported only in ModuleStatus.
 *
 * The object's first three pointer-sized words are the contract: the interface table, statusPtr, idPtr.
 * Member functions use the platform's member calling convention (__thiscall on 32-bit Windows, callee
 * pops its arguments); the exports are __cdecl. */
#ifndef BASETDIC_MODULE_OBJ_H
#define BASETDIC_MODULE_OBJ_H

#include <stdint.h>

/* The library version this header describes; the DLL's version resource carries the same numbers. */
#define BASETDIC_VERSION_MAJOR 1
#define BASETDIC_VERSION_MINOR 0
#define BASETDIC_VERSION_PATCH 0
#define BASETDIC_VERSION_STRING "1.0.0"

#if defined(_MSC_VER) && defined(_M_IX86)
#define BASETDIC_THISCALL __thiscall
#elif defined(__GNUC__) && defined(__i386__)
#define BASETDIC_THISCALL __attribute__((thiscall))
#else
#define BASETDIC_THISCALL
#endif

#if defined(_WIN32) && defined(__GNUC__) && defined(__i386__)
#define BASETDIC_CDECL __attribute__((cdecl))
#elif defined(_WIN32)
#define BASETDIC_CDECL __cdecl
#else
#define BASETDIC_CDECL
#endif

/* Marks the two exports. The library defines BASETDIC_BUILDING_LIBRARY; a host that links the DLL's
 * import library rather than loading it may define BASETDIC_API as __declspec(dllimport) first. */
#ifndef BASETDIC_API
#if defined(BASETDIC_BUILDING_LIBRARY) && defined(_WIN32)
#define BASETDIC_API __declspec(dllexport)
#elif defined(BASETDIC_BUILDING_LIBRARY) && defined(__GNUC__)
#define BASETDIC_API __attribute__((visibility("default")))
#else
#define BASETDIC_API
#endif
#endif

/* The identifier text that idPtr points at. */
#define BASETDIC_MODULE_ID "{367C7924-04B6-4377-A8CB-CBA4A1B9CABF}"

/* Outcome of the last call, read by the host through statusPtr. */
typedef struct ModuleStatus {
  uint32_t result;      /* 1 success, 0 failure; 1 when the object is new */
  uint32_t pending;     /* written by install, update and remove only; 0 when the object is new */
  uint32_t reserved[3]; /* always 0 */
} ModuleStatus;

/* Slot numbers of the interface table. */
enum ModuleSlot {
  kSlotSetModuleName = 0,
  kSlotHook1 = 1,
  kSlotInsertFile = 2,
  kSlotHook3 = 3,
  kSlotUpdateDriver = 4,
  kSlotRemoveDriver = 5,
  kSlotHook6 = 6,
  kSlotStartDriver = 7,
  kSlotHook8 = 8,
  kSlotInstallDriver = 9,
  kSlotHook10 = 10,
  kSlotCheckPlatform = 11,
  kSlotDestroy = 12,
  kSlotHook13 = 13,
  kModuleSlotCount = 14
};

#ifdef __cplusplus

/* The module interface as C++ sees it. Destroy (slot 12) is the scalar deleting destructor of an
 * MSVC-built object: bit 0 of flags frees the memory. It is an ordinary virtual function here so that
 * every compiler gives it exactly one slot. Install, update and remove do nothing at all, writing
 * neither field, outside the NT family or before InsertFile has named the setup directory. */
class ModuleObj {
 public:
  /* Keeps the module kind's name (null: empty, cut at 259 characters); writes neither field. */
  virtual int SetModuleName(const char* name);
  /* result 1. */
  virtual int Hook1(uint32_t ignored);
  /* result 1; the setup directory is taken from the path (for FwBase2K only from basetdic.dll's). */
  virtual int InsertFile(const char* path);
  /* result 1. */
  virtual int Hook3() = 0;
  /* result 1, pending 1 whatever the branch did. */
  virtual int UpdateDriver() = 0;
  /* result 1 (0 when snetcfg.exe cannot be launched); pending 1 for FwBase2K and FwBaseVt, else untouched. */
  virtual int RemoveDriver() = 0;
  /* result 1. */
  virtual int Hook6(uint32_t ignored1, uint32_t ignored2, uint32_t ignored3) = 0;
  /* result 1 whether or not the driver started; pending untouched. */
  virtual int StartDriver(uint32_t reserved) = 0;
  /* result 1. */
  virtual int Hook8() = 0;
  /* result 1 (0: FwBaseVt without data path or tool); pending 1 for FwBaseVt or WOW64 FwBase2K, else 0. */
  virtual int InstallDriver() = 0;
  /* result 1. */
  virtual int Hook10() = 0;
  /* result 0 on the Windows 9x platform, 1 on any other. */
  virtual int CheckPlatform() = 0;
  /* Ends the object (frees it when bit 0 of flags is set) and returns it; writes neither field. */
  virtual void* Destroy(unsigned flags) = 0;
  /* Writes neither field. */
  virtual int Hook13(uint32_t ignored) = 0;

 protected:
  ModuleObj() {}
  ~ModuleObj() {}
};

extern "C" {
#endif

/* GCC's -pedantic says thiscall is meant for class members. On these function pointers it is what a C
 * caller needs (the object in ECX, the callee pops the rest), and GCC applies it, so the table alone is
 * exempt from that warning. */
#if defined(__GNUC__) && defined(__i386__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattributes"
#endif

/* The interface table as C sees it: each entry takes the object as its first argument. */
typedef struct ModuleObjVtbl {
  int(BASETDIC_THISCALL* SetModuleName)(void* self, const char* name);
  int(BASETDIC_THISCALL* Hook1)(void* self, uint32_t ignored);
  int(BASETDIC_THISCALL* InsertFile)(void* self, const char* path);
  int(BASETDIC_THISCALL* Hook3)(void* self);
  int(BASETDIC_THISCALL* UpdateDriver)(void* self);
  int(BASETDIC_THISCALL* RemoveDriver)(void* self);
  int(BASETDIC_THISCALL* Hook6)(void* self, uint32_t ignored1, uint32_t ignored2, uint32_t ignored3);
  int(BASETDIC_THISCALL* StartDriver)(void* self, uint32_t reserved);
  int(BASETDIC_THISCALL* Hook8)(void* self);
  int(BASETDIC_THISCALL* InstallDriver)(void* self);
  int(BASETDIC_THISCALL* Hook10)(void* self);
  int(BASETDIC_THISCALL* CheckPlatform)(void* self);
  void*(BASETDIC_THISCALL* Destroy)(void* self, unsigned flags);
  int(BASETDIC_THISCALL* Hook13)(void* self, uint32_t ignored);
} ModuleObjVtbl;

#if defined(__GNUC__) && defined(__i386__)
#pragma GCC diagnostic pop
#endif

/* The object's header as C sees it. */
typedef struct ModuleObjHeader {
  const ModuleObjVtbl* vtbl;
  ModuleStatus* statusPtr;
  const char* idPtr;
} ModuleObjHeader;

/* Creates a module object; null when no memory can be had. */
typedef void*(BASETDIC_CDECL* QueryModuleObjFn)(void);
/* Ends an object made by QueryModuleObj (null is accepted); always returns 1. */
typedef int(BASETDIC_CDECL* ReleaseObjFn)(void* object);

/* The exports. In C the object is only named; its header and table are the C view above. */
#ifndef __cplusplus
typedef struct ModuleObj ModuleObj;
#endif
/* Creates a module object (result 1, pending 0); null when no memory can be had. */
BASETDIC_API ModuleObj* BASETDIC_CDECL QueryModuleObj(void);
/* Ends an object through its Destroy slot (null is accepted); always returns 1. */
BASETDIC_API int BASETDIC_CDECL ReleaseObj(ModuleObj* object);

#ifdef __cplusplus
}
#endif

#endif
