#include "generic/bounded_text.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

namespace basetdic {
namespace {

void ZeroFrom(char* buffer, size_t capacity, size_t from) {
  if (from < capacity) memset(buffer + from, 0, capacity - from);
}

}  // namespace

bool CopyTextPrefix(char* buffer, size_t capacity, const char* text, size_t length) {
  if (buffer == nullptr || capacity == 0) return false;
  length = text ? strnlen(text, length) : 0;
  if (length >= capacity) {
    memset(buffer, 0, capacity);
    return false;
  }
  if (length) memcpy(buffer, text, length);
  ZeroFrom(buffer, capacity, length);
  return true;
}

// The whole text: no prefix length stops it before its terminator.
bool CopyText(char* buffer, size_t capacity, const char* text) { return CopyTextPrefix(buffer, capacity, text, SIZE_MAX); }

bool AppendText(char* buffer, size_t capacity, const char* text) {
  if (buffer == nullptr || capacity == 0) return false;
  size_t used = strnlen(buffer, capacity);
  size_t length = text ? strlen(text) : 0;
  if (used >= capacity || length >= capacity - used) {
    memset(buffer, 0, capacity);
    return false;
  }
  if (length) memcpy(buffer + used, text, length);
  ZeroFrom(buffer, capacity, used + length);
  return true;
}

bool FormatTextV(char* buffer, size_t capacity, const char* format, va_list args) {
  if (buffer == nullptr || capacity == 0) return false;
  memset(buffer, 0, capacity);
  // Some C runtimes return -1 and leave no terminator when the text does not fit; either way the
  // buffer is emptied and the caller told.
  int written = vsnprintf(buffer, capacity, format, args);
  if (written < 0 || static_cast<size_t>(written) >= capacity) {
    memset(buffer, 0, capacity);
    return false;
  }
  return true;
}

bool FormatText(char* buffer, size_t capacity, const char* format, ...) {
  va_list args;
  va_start(args, format);
  bool fitted = FormatTextV(buffer, capacity, format, args);
  va_end(args);
  return fitted;
}

void CopyTextTruncated(char* buffer, size_t capacity, const char* text) {
  if (buffer == nullptr || capacity == 0) return;
  size_t length = text ? strnlen(text, capacity - 1) : 0;
  if (length) memcpy(buffer, text, length);
  ZeroFrom(buffer, capacity, length);
}

void FormatTextTruncatedV(char* buffer, size_t capacity, const char* format, va_list args) {
  if (buffer == nullptr || capacity == 0) return;
  memset(buffer, 0, capacity);
  vsnprintf(buffer, capacity, format, args);
  buffer[capacity - 1] = '\0';
}

}  // namespace basetdic
