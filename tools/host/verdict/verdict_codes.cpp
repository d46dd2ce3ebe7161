#include "verdict/verdict_codes.h"

namespace host {
namespace {

const VerdictCode kCodes[] = {
    {code::kNotRunning, "the driver's service is not running (the cause: no service, its image, its start error)"},
    {code::kNoDevice, "the driver runs but its device does not open"},
    {code::kImageMissing, "the driver image is not in the system driver folder"},
    {code::kInvalidImage, "the driver image there is not a valid driver image for this machine"},
    {code::kOlderImage, "the driver image there is older than the setup folder's"},
    {code::kNotConfigured, "the service is not registered, or not with the settings the operation writes"},
    {code::kCountMismatch, "the TDI driver's reference count nSon is not what the operation leaves"},
    {code::kComponentMissing, "the network component QD_ZelBase is not installed"},
    {code::kDataPathMissing, "the product data path, or the driver package in it, is missing"},
    {code::kLeftBehind, "remove left an entry of the kind: service key, driver file, running driver, component"},
};

}  // namespace

basetdic::RowRange<VerdictCode> VerdictCodes() { return basetdic::RowRange<VerdictCode>(kCodes); }

bool IsDisagreement(const std::string& code) {
  for (const VerdictCode& row : kCodes) {
    if (code == row.code) return true;
  }
  return false;
}

}  // namespace host
