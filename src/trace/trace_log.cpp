#include "trace/trace_log.h"

#include <string.h>
#include <windows.h>

#include "generic/bounded_text.h"
#include "generic/win_handles.h"
#include "rules/product_names.h"

namespace basetdic {
namespace {

bool TraceSwitchedOn() {
  return GetPrivateProfileIntA(kTraceSwitchSection, kTraceSwitchKey, 0, kTraceSwitchFile) != 0;
}

// The trace file's name beside the host executable; false when it cannot be had or would not fit.
bool TraceFileName(PathBuffer& name) {
  DWORD length = GetModuleFileNameA(nullptr, name.data(), PathBuffer::kCapacity);
  if (length == 0 || length >= PathBuffer::kCapacity) return false;
  return name.Append(kTraceFileSuffix);
}

void WriteAll(HANDLE file, const char* text, DWORD length) {
  DWORD written = 0;
  WriteFile(file, text, length, &written, nullptr);
}

}  // namespace

int TraceLog(const char* format, ...) {
  if (!TraceSwitchedOn()) return 1;
  PathBuffer name;
  if (!TraceFileName(name)) return 0;
  UniqueFile file(CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 0;
  SetFilePointer(file.get(), 0, nullptr, FILE_END);

  DWORD processId = GetCurrentProcessId();
  SYSTEMTIME now;
  GetLocalTime(&now);
  TextBuffer<512> prefix;
  (void)prefix.Format("[%d] %4d-%02d-%02d %02d:%02d:%02d:%03d : ", static_cast<int>(processId), now.wYear, now.wMonth,
                      now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);

  char message[1024];
  va_list args;
  va_start(args, format);
  FormatTextTruncatedV(message, sizeof message, format, args);
  va_end(args);

  WriteAll(file.get(), prefix.c_str(), static_cast<DWORD>(prefix.size()));
  WriteAll(file.get(), message, static_cast<DWORD>(strlen(message)));
  WriteAll(file.get(), "\r\n", 2);
  FlushFileBuffers(file.get());
  return 1;
}

}  // namespace basetdic
