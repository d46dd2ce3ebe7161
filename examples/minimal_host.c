/* A minimal setup host for basetdic.dll, in C: the calls a setup program makes, in the order it makes
 * them, through the C view of the module object in <basetdic/module_obj.h>.
 *
 *   minimal_host            FwBase2K: check the platform; changes nothing on this machine
 *   minimal_host install    the same, then install the FwBase2K driver; this changes the machine (the
 *                           driver file in the system driver folder, the ZelBase service), so try it on a
 *                           test machine or in a Wine prefix
 *
 * It loads basetdic.dll from its own folder by full path, makes the setup folder %TEMP%\basetdic-example
 * from the setup files it finds beside itself (basetdic.dll at least), inserts each of them, prints the
 * two status words after every call and removes the folder again. Exit status: 0 when every call
 * reported result 1, 1 when one reported 0, 2 for bad usage or a library or folder it cannot have.
 *
 * Build with MinGW:   i686-w64-mingw32-gcc -std=c99 -I include examples/minimal_host.c -o minimal_host.exe
 * Build with MSVC:    cl /I include examples\minimal_host.c */
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include <basetdic/module_obj.h>

/* The module's setup files, as a setup program extracts them; FwBase2K takes its setup folder from
 * the path of basetdic.dll. */
static const char* const kSetupFiles[] = {"zelbase.sys", "zelbase.inf", "zelbase.cat", "basetdic.dll"};
#define SETUP_FILE_COUNT (sizeof kSetupFiles / sizeof kSetupFiles[0])

/* Prints the status words the last call left; 1 when it reported a failure. */
static int Report(const char* call, const ModuleObjHeader* object) {
  const ModuleStatus* status = object->statusPtr;
  printf("%-26s result %u  pending %u\n", call, (unsigned)status->result, (unsigned)status->pending);
  return status->result != 1;
}

/* FOLDER\NAME into OUT (MAX_PATH bytes); 0 when it does not fit. */
static int JoinPath(char* out, const char* folder, const char* name) {
  int written = _snprintf(out, MAX_PATH, "%s\\%s", folder, name);
  return written > 0 && written < MAX_PATH;
}

/* The folder this program runs from into OUT (MAX_PATH bytes), without a trailing backslash. */
static int ProgramFolder(char* out) {
  DWORD length = GetModuleFileNameA(NULL, out, MAX_PATH);
  char* slash;
  if (length == 0 || length >= MAX_PATH) return 0;
  slash = strrchr(out, '\\');
  if (slash == NULL) return 0;
  *slash = '\0';
  return 1;
}

/* The temporary folder into OUT (MAX_PATH bytes), without the trailing backslash Windows gives it. */
static int TempFolder(char* out) {
  DWORD length = GetTempPathA(MAX_PATH, out);
  if (length == 0 || length >= MAX_PATH) return 0;
  if (out[length - 1] == '\\') out[length - 1] = '\0';
  return 1;
}

int main(int argc, char** argv) {
  char programFolder[MAX_PATH], temp[MAX_PATH], setupFolder[MAX_PATH], path[MAX_PATH], from[MAX_PATH];
  int copied[SETUP_FILE_COUNT] = {0};
  int install = argc == 2 && strcmp(argv[1], "install") == 0;
  int failed = 0;
  HMODULE library;
  QueryModuleObjFn queryModuleObj;
  ReleaseObjFn releaseObj;
  ModuleObjHeader* object;
  size_t i;

  if (argc > 2 || (argc == 2 && !install)) {
    fprintf(stderr, "usage: minimal_host [install]\n");
    return 2;
  }
  printf("header of basetdic %s\n", BASETDIC_VERSION_STRING);

  /* Load the DLL by full path, never through the search order. */
  if (!ProgramFolder(programFolder) || !JoinPath(path, programFolder, "basetdic.dll")) {
    fprintf(stderr, "minimal_host: cannot tell the folder this program runs from\n");
    return 2;
  }
  library = LoadLibraryA(path);
  if (library == NULL) {
    fprintf(stderr, "minimal_host: cannot load %s: error %lu\n", path, GetLastError());
    return 2;
  }
  /* GetProcAddress gives a generic function pointer; void (*)(void) converts to the export's type. */
  queryModuleObj = (QueryModuleObjFn)(void (*)(void))GetProcAddress(library, "QueryModuleObj");
  releaseObj = (ReleaseObjFn)(void (*)(void))GetProcAddress(library, "ReleaseObj");
  if (queryModuleObj == NULL || releaseObj == NULL) {
    fprintf(stderr, "minimal_host: %s does not export QueryModuleObj and ReleaseObj\n", path);
    FreeLibrary(library);
    return 2;
  }

  /* The setup folder: the setup files found beside this program, copied as a setup program extracts them. */
  if (!TempFolder(temp) || !JoinPath(setupFolder, temp, "basetdic-example") ||
      (!CreateDirectoryA(setupFolder, NULL) && GetLastError() != ERROR_ALREADY_EXISTS)) {
    fprintf(stderr, "minimal_host: cannot make the setup folder in %s: error %lu\n", temp, GetLastError());
    FreeLibrary(library);
    return 2;
  }
  printf("setup folder %s\n", setupFolder);
  for (i = 0; i < SETUP_FILE_COUNT; ++i) {
    copied[i] = JoinPath(from, programFolder, kSetupFiles[i]) && JoinPath(path, setupFolder, kSetupFiles[i]) &&
                CopyFileA(from, path, FALSE);
  }

  object = (ModuleObjHeader*)queryModuleObj();
  if (object == NULL) {
    fprintf(stderr, "minimal_host: QueryModuleObj returned no object\n");
  } else {
    failed |= Report("QueryModuleObj", object);
    object->vtbl->SetModuleName(object, "FwBase2K");
    failed |= Report("SetModuleName FwBase2K", object);
    for (i = 0; i < SETUP_FILE_COUNT; ++i) {
      char call[64];
      if (!copied[i] || !JoinPath(path, setupFolder, kSetupFiles[i])) continue;
      object->vtbl->InsertFile(object, path);
      _snprintf(call, sizeof call, "InsertFile %s", kSetupFiles[i]);
      call[sizeof call - 1] = '\0';
      failed |= Report(call, object);
    }
    object->vtbl->CheckPlatform(object);
    failed |= Report("CheckPlatform", object);
    if (install) {
      object->vtbl->InstallDriver(object);
      failed |= Report("InstallDriver", object);
    }
    releaseObj((ModuleObj*)object);
  }

  for (i = 0; i < SETUP_FILE_COUNT; ++i) {
    if (copied[i] && JoinPath(path, setupFolder, kSetupFiles[i])) DeleteFileA(path);
  }
  RemoveDirectoryA(setupFolder);
  FreeLibrary(library);
  if (object == NULL) return 2;
  return failed;
}
