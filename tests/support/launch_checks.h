// What the runner tests read back from the simulated machine: the launches and the calls the code made.
#ifndef BASETDIC_TESTS_SUPPORT_LAUNCH_CHECKS_H
#define BASETDIC_TESTS_SUPPORT_LAUNCH_CHECKS_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "winsim/observe.h"
#include "winsim/processes.h"

namespace runner_checks {

// The one launch made so far (a default record, and a failure, when there is not exactly one).
inline winsim::LaunchRecord OnlyLaunch() {
  std::vector<winsim::LaunchRecord> launches = winsim::Launches();
  EXPECT_EQ(launches.size(), 1u);
  return launches.size() == 1 ? launches[0] : winsim::LaunchRecord();
}

// The logged arguments of every call of the function, in order.
inline std::vector<std::string> CallArguments(const std::string& function) {
  std::vector<std::string> arguments;
  for (const winsim::CallRecord& call : winsim::CallLog()) {
    if (call.function == function) arguments.push_back(call.arguments);
  }
  return arguments;
}

inline size_t CallsOf(const std::string& function) { return CallArguments(function).size(); }

}  // namespace runner_checks

#endif
