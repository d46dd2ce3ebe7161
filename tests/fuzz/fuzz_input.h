// Reading a fuzzer's input as a sequence of small decisions: bytes, numbers, lengths that favour the
// buffer bounds the library has, and texts. Reads past the end give zeros, so every input is a program.
#ifndef BASETDIC_TESTS_FUZZ_FUZZ_INPUT_H
#define BASETDIC_TESTS_FUZZ_FUZZ_INPUT_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool empty() const { return at_ >= size_; }
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  uint16_t Word() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }
  uint32_t Dword() { return static_cast<uint32_t>(Word()) | (static_cast<uint32_t>(Word()) << 16); }

  // A length: mostly small, often one of the library's bounds or just either side of one.
  size_t Length() {
    static const size_t kBounds[] = {0,   1,   4,   11,  12,  52,  59,  60,   63,   64,  222, 224, 225,
                                     239, 240, 247, 248, 258, 259, 260, 261,  519,  520, 521, 1000, 1023,
                                     1024, 4096};
    uint8_t choice = Byte();
    if (choice < 160) return choice;
    return kBounds[Byte() % (sizeof kBounds / sizeof kBounds[0])] + (choice & 1);
  }

  // length bytes of text taken from the input (repeated when it runs short), without NUL.
  std::string Text(size_t length) {
    std::string text;
    text.reserve(length);
    for (size_t i = 0; i < length; ++i) {
      uint8_t c = Byte();
      if (c == 0) c = static_cast<uint8_t>('a' + i % 26);
      text += static_cast<char>(c);
    }
    return text;
  }

  // The rest of the input.
  std::string Rest() {
    std::string rest(reinterpret_cast<const char*>(data_ + at_), size_ - at_);
    at_ = size_;
    return rest;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// Stops the run as a crash when a check fails, naming it on stderr.
[[noreturn]] void Fail(const char* what);
#define FUZZ_CHECK(condition)                         \
  do {                                                \
    if (!(condition)) ::fuzz::Fail(#condition);       \
  } while (0)

// What every run must leave: no open handle, version.dll released as often as it was loaded, and the
// registration's mutex not owned.
void CheckMachineClean();

}  // namespace fuzz

#endif
