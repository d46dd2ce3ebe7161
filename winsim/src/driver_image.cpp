#include "driver_image.h"

#include <fstream>
#include <iterator>
#include <utility>

#include "winsim/machine.h"

namespace winsim::detail {
namespace {

const WORD kMachineI386 = 0x014C;
const WORD kPe32Magic = 0x010B;
const WORD kPe32PlusMagic = 0x020B;
const WORD kExecutableImage = 0x0002;  // IMAGE_FILE_EXECUTABLE_IMAGE: linked, not an object file
const size_t kFileHeaderSize = 20;
const size_t kSectionHeaderSize = 40;

// Little-endian fields of the file's bytes; reads past the end give false.
class ImageBytes {
 public:
  explicit ImageBytes(std::string bytes) : bytes_(std::move(bytes)) {}
  size_t Size() const { return bytes_.size(); }
  bool Covers(unsigned long long offset, unsigned long long length) const {
    return offset <= bytes_.size() && length <= bytes_.size() - offset;
  }
  bool U16(size_t offset, WORD* value) const {
    if (!Covers(offset, 2)) return false;
    *value = static_cast<WORD>(Byte(offset) | Byte(offset + 1) << 8);
    return true;
  }
  bool U32(size_t offset, DWORD* value) const {
    WORD low = 0, high = 0;
    if (!U16(offset, &low) || !U16(offset + 2, &high)) return false;
    *value = low | static_cast<DWORD>(high) << 16;
    return true;
  }

 private:
  unsigned Byte(size_t offset) const { return static_cast<unsigned char>(bytes_[offset]); }
  std::string bytes_;
};

bool IsLoadableImage(const ImageBytes& image, WORD machine) {
  WORD dosMagic = 0;
  DWORD peOffset = 0;
  DWORD signature = 0;
  if (!image.U16(0, &dosMagic) || dosMagic != 0x5A4D || !image.U32(0x3C, &peOffset)) return false;
  if (!image.U32(peOffset, &signature) || signature != 0x00004550) return false;
  const size_t fileHeader = static_cast<size_t>(peOffset) + 4;
  WORD imageMachine = 0, sections = 0, optionalSize = 0, characteristics = 0, magic = 0;
  if (!image.U16(fileHeader, &imageMachine) || !image.U16(fileHeader + 2, &sections) ||
      !image.U16(fileHeader + 16, &optionalSize) || !image.U16(fileHeader + 18, &characteristics))
    return false;
  if (imageMachine != machine || !(characteristics & kExecutableImage)) return false;
  const size_t optionalHeader = fileHeader + kFileHeaderSize;
  if (!image.Covers(optionalHeader, optionalSize) || !image.U16(optionalHeader, &magic)) return false;
  if (magic != (machine == kMachineI386 ? kPe32Magic : kPe32PlusMagic)) return false;
  const size_t sectionTable = optionalHeader + optionalSize;
  if (!image.Covers(sectionTable, static_cast<unsigned long long>(sections) * kSectionHeaderSize)) return false;
  for (size_t i = 0; i < sections; ++i) {
    DWORD rawSize = 0, rawOffset = 0;
    const size_t header = sectionTable + i * kSectionHeaderSize;
    if (!image.U32(header + 16, &rawSize) || !image.U32(header + 20, &rawOffset)) return false;
    if (rawSize != 0 && !image.Covers(rawOffset, rawSize)) return false;
  }
  return true;
}

}  // namespace

DWORD DriverImageError(const std::string& hostPath) {
  std::ifstream file(hostPath, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  return IsLoadableImage(ImageBytes(std::move(bytes)), winsim::NativeMachineType()) ? NO_ERROR : ERROR_BAD_EXE_FORMAT;
}

}  // namespace winsim::detail
