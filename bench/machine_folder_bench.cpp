// The cost of a large value in the host's machine folder: laying out a long text value as machine show
// prints it (one long run without spaces, the case that has to cut lines by width), and loading
// registry.reg with a large binary value wrapped as the tool writes it. Both should grow linearly with
// the value's size.
//
//   machine_folder_bench [SIZE_MB...]   (default 1 3 20)
#include <stdio.h>
#include <stdlib.h>

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "report/text_layout.h"
#include "temp_machine.h"
#include "winsim/persistence.h"
#include "winsim/registry.h"

namespace {

double SecondsOf(void (*work)(size_t), size_t bytes) {
  auto start = std::chrono::steady_clock::now();
  work(bytes);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void LayOutText(size_t bytes) {
  std::string value(bytes, 'x');
  std::ostringstream out;
  host::WriteWrapped(out, "    \"long\"  ", value, 14);
  if (out.str().size() < bytes) abort();
}

std::string wrappedRegistry;

void LoadWrappedHex(size_t) {
  std::string error;
  if (!winsim::RegistryFromRegText(wrappedRegistry, &error)) {
    fprintf(stderr, "%s\n", error.c_str());
    abort();
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<size_t> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(static_cast<size_t>(atof(argv[i]) * 1000000));
  if (sizes.empty()) sizes = {1000000, 3000000, 20000000};
  winsim::testsupport::TempMachine machine;
  printf("Large values in the machine folder (seconds)\n\n");
  printf("%10s %14s %14s %12s\n", "value MB", "text layout", "reg hex load", "reg lines");
  for (size_t bytes : sizes) {
    winsim::RegPutValue("HKLM\\SOFTWARE\\Bench", "blob", REG_BINARY, std::string(bytes, '\x5a'));
    wrappedRegistry = winsim::RegistryToRegText();
    winsim::RegRemoveTree("HKLM\\SOFTWARE\\Bench");
    size_t lines = 0;
    for (char c : wrappedRegistry) lines += c == '\n';
    printf("%10.1f %14.3f %14.3f %12zu\n", static_cast<double>(bytes) / 1e6, SecondsOf(LayOutText, bytes),
           SecondsOf(LoadWrappedHex, bytes), lines);
  }
  return 0;
}
