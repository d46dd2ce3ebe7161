#include "wine_version_stamp.h"

#include <windows.h>

#include <vector>

#include "pe_image_writer.h"

namespace winetest {
namespace {

constexpr WORD kEnglishUnitedStates = 0x0409;
constexpr DWORD kFileTypeDriver = 3;           // VFT_DRV
constexpr DWORD kFileSubtypeSystemDriver = 7;  // VFT2_DRV_SYSTEM

bool Fail(std::string* error, const char* call) {
  *error = std::string(call) + " failed with error " + std::to_string(GetLastError());
  return false;
}

}  // namespace

bool StampFileVersion(const std::string& path, const std::string& version, std::string* error) {
  // Starting from no resources at all keeps the result independent of what the build put in.
  HANDLE update = BeginUpdateResourceA(path.c_str(), TRUE);
  if (update == nullptr) return Fail(error, "BeginUpdateResourceA");
  if (!version.empty()) {
    winsim::testsupport::VersionInfoSpec spec = winsim::testsupport::SimpleVersionInfo(version);
    spec.fileType = kFileTypeDriver;
    spec.fileSubtype = kFileSubtypeSystemDriver;
    std::vector<uint8_t> data = winsim::testsupport::BuildVersionInfo(spec);
    if (!UpdateResourceA(update, MAKEINTRESOURCEA(16) /* RT_VERSION */, MAKEINTRESOURCEA(1), kEnglishUnitedStates,
                         data.data(), static_cast<DWORD>(data.size()))) {
      Fail(error, "UpdateResourceA");
      EndUpdateResourceA(update, TRUE);
      return false;
    }
  }
  if (!EndUpdateResourceA(update, FALSE)) return Fail(error, "EndUpdateResourceA");
  return true;
}

bool CopyWithFileVersion(const std::string& source, const std::string& destination, const std::string& version,
                         std::string* error) {
  if (!CopyFileA(source.c_str(), destination.c_str(), FALSE)) {
    *error = "CopyFileA " + source + " -> " + destination + " failed with error " + std::to_string(GetLastError());
    return false;
  }
  return StampFileVersion(destination, version, error);
}

}  // namespace winetest
