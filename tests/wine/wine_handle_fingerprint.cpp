#include "wine_handle_fingerprint.h"

#include <windows.h>

#include "generic/win_handles.h"

namespace winetest {

std::vector<uintptr_t> EventHandleFingerprint() {
  // All events stay open until every value is noted, so each takes a slot of its own.
  std::vector<basetdic::UniqueKernelHandle> events;
  events.reserve(kFingerprintHandles);
  std::vector<uintptr_t> values;
  values.reserve(kFingerprintHandles);
  for (int i = 0; i < kFingerprintHandles; ++i) {
    events.emplace_back(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    values.push_back(reinterpret_cast<uintptr_t>(events.back().get()));
  }
  return values;
}

}  // namespace winetest
