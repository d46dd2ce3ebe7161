// A host that keeps the library loaded for a long time: what one call leaves behind in the simulated
// machine must not pile up, or a long run (and the benchmark that measures one) would see memory grow.
#include <gtest/gtest.h>

#include <malloc.h>

#include <cstdlib>
#include <vector>

#include "hardening_machine.h"
#include "winsim/machine.h"

namespace hardening {
namespace {

// version.dll remembers the size of each block a caller filled so that VerQueryValueA stays inside it;
// callers free their blocks without telling it, so it must not remember every block ever filled.
TEST(LongRunningHost, VersionBlocksFilledAtManyAddressesLeaveNothingBehind) {
  BootBareMachine(ConfigFor(winsim::OsWinXp()));
  PutVersionedFile("C:\\v.sys", "1.2.3.4");
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA("C:\\v.sys", &handle);
  ASSERT_GT(size, 0u);

  auto fillBlocks = [&] {
    // Kept alive together, so that every block has an address of its own.
    std::vector<void*> blocks(2000);
    for (void*& block : blocks) {
      block = malloc(size);
      GetFileVersionInfoA("C:\\v.sys", 0, size, block);
    }
    for (void* block : blocks) free(block);
    winsim::ClearCallLog();
  };
  // The call log's own room for a round of calls is made before measuring.
  for (int i = 0; i < 8000; ++i) GetTickCount();
  winsim::ClearCallLog();
  const size_t before = mallinfo2().uordblks;
  fillBlocks();
  const size_t after = mallinfo2().uordblks;
  EXPECT_LT(after, before + 16 * 1024) << "grew by " << (after - before) << " bytes over 2000 blocks";

  // The most recent block is still known: a query stays inside the size it was filled with.
  std::vector<unsigned char> small(size / 4);
  ASSERT_TRUE(GetFileVersionInfoA("C:\\v.sys", 0, static_cast<DWORD>(small.size()), small.data()));
  void* text = nullptr;
  UINT length = 0;
  EXPECT_FALSE(VerQueryValueA(small.data(), "\\StringFileInfo\\040904e4\\FileVersion", &text, &length))
      << "the string table lies past the block's end";
}

}  // namespace
}  // namespace hardening
