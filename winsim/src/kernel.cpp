// kernel32 basics: version, last error, identity, directories, time, heap, code page and text helpers.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "api_call.h"
#include "machine_state.h"

using winsim::detail::ApiCall;
using winsim::detail::Arg;
using winsim::detail::Core;

namespace {

thread_local DWORD lastError = 0;

// Copies text into a caller's buffer the way the Get*DirectoryA functions do: when it fits, the length
// without terminator; otherwise the size needed including the terminator, buffer untouched.
UINT CopyDirectory(const std::string& text, LPSTR buffer, UINT size) {
  if (buffer == nullptr || text.size() + 1 > size) return static_cast<UINT>(text.size() + 1);
  memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<UINT>(text.size());
}

bool InLeadByteRange(UINT codePage, BYTE c) {
  switch (codePage) {
    case 932: return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    case 936:
    case 949:
    case 950: return c >= 0x81 && c <= 0xFE;
    default: return false;
  }
}

}  // namespace

extern "C" {

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA info) {
  ApiCall call("GetVersionExA");
  if (call.Fault()) return FALSE;
  if (info == nullptr || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOA)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  if (Core().config.versionQueryFails) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const winsim::OsVersion& os = Core().config.os;
  info->dwMajorVersion = os.major;
  info->dwMinorVersion = os.minor;
  info->dwBuildNumber = os.build;
  info->dwPlatformId = os.platformId;
  memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
  strncpy(info->szCSDVersion, os.csdVersion.c_str(), sizeof info->szCSDVersion - 1);
  return TRUE;
}

DWORD WINAPI GetLastError(void) { return lastError; }
void WINAPI SetLastError(DWORD error) {
  lastError = error;
  winsim::detail::NoteCallError(error);
}

DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
  ApiCall call("GetModuleFileNameA");
  if (call.Fault()) return 0;
  if (module != nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  const std::string& path = Core().config.executablePath;
  if (fileName == nullptr || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (path.size() + 1 > size) {
    // Vista and later: the name is cut to fit with its terminator and the full size is returned.
    memcpy(fileName, path.c_str(), size - 1);
    fileName[size - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  memcpy(fileName, path.c_str(), path.size() + 1);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(path.size());
}

UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size) {
  ApiCall call("GetSystemDirectoryA");
  if (call.Fault()) return 0;
  return CopyDirectory(winsim::SystemDirectory(), buffer, size);
}

UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT size) {
  ApiCall call("GetWindowsDirectoryA");
  if (call.Fault()) return 0;
  return CopyDirectory(winsim::WindowsDirectory(), buffer, size);
}

DWORD WINAPI GetCurrentProcessId(void) {
  ApiCall call("GetCurrentProcessId");
  return Core().config.processId;
}

HANDLE WINAPI GetCurrentProcess(void) { return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)); }

void WINAPI GetLocalTime(LPSYSTEMTIME time) {
  ApiCall call("GetLocalTime");
  if (time == nullptr) return;
  const SYSTEMTIME& start = Core().config.clock;
  ULONGLONG ms = start.wMilliseconds + 1000ULL * (start.wSecond + 60ULL * (start.wMinute + 60ULL * start.wHour)) +
                 Core().clockMs;
  // Days past the start date are counted forward on the calendar.
  static const int daysIn[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  unsigned year = start.wYear, month = start.wMonth, day = start.wDay, weekday = start.wDayOfWeek;
  ULONGLONG extraDays = ms / 86400000ULL;
  ms %= 86400000ULL;
  while (extraDays-- > 0) {
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    unsigned length = daysIn[(month - 1) % 12] + (month == 2 && leap ? 1 : 0);
    weekday = (weekday + 1) % 7;
    if (++day > length) {
      day = 1;
      if (++month > 12) {
        month = 1;
        ++year;
      }
    }
  }
  time->wYear = static_cast<WORD>(year);
  time->wMonth = static_cast<WORD>(month);
  time->wDay = static_cast<WORD>(day);
  time->wDayOfWeek = static_cast<WORD>(weekday);
  time->wHour = static_cast<WORD>(ms / 3600000ULL);
  time->wMinute = static_cast<WORD>(ms / 60000ULL % 60);
  time->wSecond = static_cast<WORD>(ms / 1000ULL % 60);
  time->wMilliseconds = static_cast<WORD>(ms % 1000ULL);
}

DWORD WINAPI GetTickCount(void) {
  ApiCall call("GetTickCount");
  return static_cast<DWORD>(1000000 + Core().clockMs);
}

void WINAPI Sleep(DWORD milliseconds) {
  ApiCall call("Sleep", std::to_string(milliseconds));
  if (milliseconds != INFINITE) winsim::AdvanceClock(milliseconds);
}

UINT WINAPI GetACP(void) { return Core().config.codePage; }

BOOL WINAPI IsDBCSLeadByte(BYTE test) { return InLeadByteRange(Core().config.codePage, test) ? TRUE : FALSE; }

HANDLE WINAPI GetProcessHeap(void) { return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x10000)); }

LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
  ApiCall call("HeapAlloc", std::to_string(bytes));
  if (call.Fault() || heap == nullptr) return nullptr;
  void* memory = (flags & HEAP_ZERO_MEMORY) ? calloc(1, bytes ? bytes : 1) : malloc(bytes ? bytes : 1);
  return memory;
}

BOOL WINAPI HeapFree(HANDLE heap, DWORD, LPVOID memory) {
  ApiCall call("HeapFree");
  if (heap == nullptr) return FALSE;
  free(memory);
  return TRUE;
}

int WINAPI lstrlenA(LPCSTR text) { return text ? static_cast<int>(strlen(text)) : 0; }

LPSTR WINAPI lstrcpyA(LPSTR dst, LPCSTR src) {
  if (dst == nullptr || src == nullptr) return nullptr;
  return strcpy(dst, src);
}

LPSTR WINAPI lstrcpynA(LPSTR dst, LPCSTR src, int max) {
  if (dst == nullptr || src == nullptr || max <= 0) return dst;
  int i = 0;
  for (; i < max - 1 && src[i] != '\0'; ++i) dst[i] = src[i];
  dst[i] = '\0';
  return dst;
}

LPSTR WINAPI lstrcatA(LPSTR dst, LPCSTR src) {
  if (dst == nullptr || src == nullptr) return nullptr;
  return strcat(dst, src);
}

int WINAPI wvsprintfA(LPSTR buffer, LPCSTR format, va_list args) {
  // wsprintfA writes at most 1024 bytes, terminator included.
  char local[1024];
  int written = vsnprintf(local, sizeof local, format, args);
  if (written < 0) return -1;
  if (written > 1023) written = 1023;
  memcpy(buffer, local, static_cast<size_t>(written));
  buffer[written] = '\0';
  return written;
}

int WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...) {
  va_list args;
  va_start(args, format);
  int written = wvsprintfA(buffer, format, args);
  va_end(args);
  return written;
}

unsigned char* _mbsnbcat(unsigned char* dst, const unsigned char* src, size_t count) {
  UINT codePage = Core().config.codePage;
  unsigned char* end = dst + strlen(reinterpret_cast<char*>(dst));
  // A lead byte left dangling at the end of the destination is overwritten.
  if (end > dst) {
    unsigned char* p = dst;
    unsigned char* lastChar = dst;
    while (p < end) {
      lastChar = p;
      p += (InLeadByteRange(codePage, *p) && p + 1 < end) ? 2 : 1;
    }
    if (lastChar == end - 1 && InLeadByteRange(codePage, *lastChar)) end = lastChar;
  }
  size_t copied = 0;
  while (copied < count && src[copied] != '\0') {
    if (InLeadByteRange(codePage, src[copied])) {
      // A double-byte character is copied whole or not at all.
      if (copied + 1 >= count || src[copied + 1] == '\0') break;
      end[copied] = src[copied];
      end[copied + 1] = src[copied + 1];
      copied += 2;
    } else {
      end[copied] = src[copied];
      ++copied;
    }
  }
  end[copied] = '\0';
  return dst;
}

}  // extern "C"
