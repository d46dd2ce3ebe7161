// The branches the fault sweep (and the benchmark) run: each operation for each module kind on a
// representative Windows version, with and without WOW64 where that matters, from the states that change
// its course (no registration, a count of one or two, a service already there or not, a running driver).
#ifndef BASETDIC_TESTS_UNIT_HARDENING_SWEEP_BRANCHES_H
#define BASETDIC_TESTS_UNIT_HARDENING_SWEEP_BRANCHES_H

#include <vector>

#include "fault_sweep.h"

namespace hardening {

std::vector<Branch> SweepBranches();

}  // namespace hardening

#endif
