// The cost of the library's operations on winsim: for every branch the fault sweep knows, how many
// platform calls the operation makes and how long it takes (median and fastest of several runs, each on a
// freshly prepared machine); then thousands of acquire/release cycles of the shared TDI driver on one
// machine and one object, reported per block so that a cost, memory or handle count that grows with use
// shows as a trend.
//
//   basetdic_bench [--runs N] [--cycles N] [--block N]
#include <malloc.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "fault_sweep.h"
#include "hardening_machine.h"
#include "sweep_branches.h"
#include "winsim/machine.h"

namespace {

struct Options {
  int runs = 15;
  int cycles = 10000;
  int block = 1000;
};

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (strcmp(argv[i], "--runs") == 0) options.runs = atoi(argv[i + 1]);
    if (strcmp(argv[i], "--cycles") == 0) options.cycles = atoi(argv[i + 1]);
    if (strcmp(argv[i], "--block") == 0) options.block = atoi(argv[i + 1]);
  }
  options.runs = std::max(options.runs, 1);
  options.block = std::max(options.block, 1);
  return options;
}

void PerBranch(const Options& options) {
  printf("Operations on winsim: platform calls and wall time (%d runs per branch, fresh machine each)\n\n",
         options.runs);
  printf("%-34s %-12s %6s %12s %10s\n", "branch", "operation", "calls", "median us", "min us");
  for (const hardening::Branch& branch : hardening::SweepBranches()) {
    std::vector<double> times;
    size_t calls = 0;
    for (int i = 0; i < options.runs; ++i) {
      hardening::SweepRun run = hardening::RunBranch(branch);
      times.push_back(run.microseconds);
      calls = run.calls.size();
    }
    std::sort(times.begin(), times.end());
    printf("%-34s %-12s %6zu %12.1f %10.1f\n", branch.name.c_str(), hardening::OperationName(branch.operation),
           calls, times[times.size() / 2], times.front());
  }
}

size_t HeapInUse() { return mallinfo2().uordblks; }

// Install then remove of FwBaseNt on NT 4.0, on one object, with the driver already up (as after the
// first install): each cycle copies the driver, counts itself in, rewrites the key, probes the device,
// counts itself out and deletes key and file.
int Cycles(const Options& options) {
  printf("\n%d acquire/release cycles of the shared TDI driver (NT 4.0, FwBaseNt, one object)\n\n", options.cycles);
  printf("%8s %10s %10s %12s %14s %8s\n", "cycles", "block ms", "us/cycle", "calls/cycle", "heap in use", "handles");
  hardening::BootDeployMachine(hardening::ConfigFor(winsim::OsNt40()));
  winsim::CreateDevice("baseTdi");
  ModuleObj* object = hardening::NewModule("FwBaseNt");
  const ModuleObjVtbl& table = hardening::TableOf(object);
  std::vector<size_t> heap;
  size_t worstHandles = 0;
  for (int done = 0; done < options.cycles;) {
    const int block = std::min(options.block, options.cycles - done);
    winsim::ClearCallLog();  // the log is the simulator's, not the library's: keep it from growing
    const uint64_t callsBefore = winsim::CallCount();
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < block; ++i) {
      table.InstallDriver(object);
      table.RemoveDriver(object);
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    done += block;
    winsim::ClearCallLog();
    heap.push_back(HeapInUse());
    const size_t handles = winsim::OpenHandles();
    worstHandles = std::max(worstHandles, handles);
    printf("%8d %10.1f %10.2f %12.1f %14zu %8zu\n", done, ms, 1000.0 * ms / block,
           static_cast<double>(winsim::CallCount() - callsBefore) / block, heap.back(), handles);
  }
  hardening::Release(object);
  // The first block warms the simulator's own tables; after it the heap should stay where it is.
  long long growth = heap.size() > 1 ? static_cast<long long>(heap.back()) - static_cast<long long>(heap[1]) : 0;
  printf("\nheap growth after the first block: %lld bytes; most handles open after a block: %zu; "
         "registration left: %s\n",
         growth, worstHandles, hardening::TdiKeyExists() ? "key present" : "none");
  return worstHandles == 0 && !hardening::TdiKeyExists() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  PerBranch(options);
  return Cycles(options);
}
