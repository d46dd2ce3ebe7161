// Fixed-size text buffers and the one bounded way to write them. Every write either fits with its
// terminator or is refused, leaving the buffer empty: a path or command line is never cut into a
// different one. Where cutting is the intended behaviour the call says so (AssignTruncated).
#ifndef BASETDIC_GENERIC_BOUNDED_TEXT_H
#define BASETDIC_GENERIC_BOUNDED_TEXT_H

#include <stdarg.h>
#include <stddef.h>

namespace basetdic {

// Raw-buffer forms, for buffers whose layout is fixed elsewhere. Each keeps the buffer terminated and
// zero-filled behind the text; a false result means the text did not fit and the buffer is now empty.
bool CopyText(char* buffer, size_t capacity, const char* text);
// Copies the first length characters of text (fewer when text ends sooner).
bool CopyTextPrefix(char* buffer, size_t capacity, const char* text, size_t length);
bool AppendText(char* buffer, size_t capacity, const char* text);
bool FormatText(char* buffer, size_t capacity, const char* format, ...) __attribute__((format(printf, 3, 4)));
bool FormatTextV(char* buffer, size_t capacity, const char* format, va_list args);
// Copies at most capacity - 1 bytes of text and terminates; the rest of the buffer is zero.
void CopyTextTruncated(char* buffer, size_t capacity, const char* text);
// Formats, keeping what fits of a longer text; the buffer is always terminated.
void FormatTextTruncatedV(char* buffer, size_t capacity, const char* format, va_list args);

// Null text read as empty text.
inline const char* TextOrEmpty(const char* text) { return text != nullptr ? text : ""; }

template <size_t N>
class TextBuffer {
 public:
  static constexpr size_t kCapacity = N;

  TextBuffer() { Clear(); }
  TextBuffer(const TextBuffer&) = delete;
  TextBuffer& operator=(const TextBuffer&) = delete;

  void Clear() {
    for (size_t i = 0; i < N; ++i) text_[i] = '\0';
  }
  [[nodiscard]] bool Assign(const char* text) { return CopyText(text_, N, text); }
  [[nodiscard]] bool AssignPrefix(const char* text, size_t length) { return CopyTextPrefix(text_, N, text, length); }
  void AssignTruncated(const char* text) { CopyTextTruncated(text_, N, text); }
  [[nodiscard]] bool Append(const char* text) { return AppendText(text_, N, text); }
  [[nodiscard]] bool Format(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    va_list args;
    va_start(args, format);
    bool fitted = FormatTextV(text_, N, format, args);
    va_end(args);
    return fitted;
  }

  const char* c_str() const { return text_; }
  char* data() { return text_; }
  bool empty() const { return text_[0] == '\0'; }
  size_t size() const {
    size_t length = 0;
    while (length < N && text_[length] != '\0') ++length;
    return length;
  }

 private:
  char text_[N];
};

// The library's standard text buffer: 259 characters and the terminator.
using PathBuffer = TextBuffer<260>;

}  // namespace basetdic

#endif
