// Open-handle fingerprint for Wine, whose GetProcessHandleCount always answers 0. Handles are handed out
// from the lowest free slot of the process's table, so the values a batch of fresh handles receives
// describe which slots are taken: a handle left open in between moves at least one of them.
#ifndef BASETDIC_TESTS_WINE_WINE_HANDLE_FINGERPRINT_H
#define BASETDIC_TESTS_WINE_WINE_HANDLE_FINGERPRINT_H

#include <cstdint>
#include <vector>

namespace winetest {

constexpr int kFingerprintHandles = 64;

// Creates kFingerprintHandles unnamed events, notes their values and closes them again.
std::vector<uintptr_t> EventHandleFingerprint();

}  // namespace winetest

#endif
