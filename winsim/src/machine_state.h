// The machine's core state shared by winsim's areas, and the boot hooks through which each area resets its
// own state when a machine boots.
#ifndef WINSIM_MACHINE_STATE_H
#define WINSIM_MACHINE_STATE_H

#include <functional>
#include <map>
#include <string>

#include "winsim/machine.h"

namespace winsim::detail {

struct CoreState {
  MachineConfig config;
  std::map<char, std::string> drives;  // upper-case letter -> host folder
  ULONGLONG clockMs = 0;               // milliseconds since the configured start time
  std::string systemDirectory;         // the version's layout, fixed at Boot
};

CoreState& Core();

// Registers a function that resets an area's state on every Boot; returns true so it can initialise a
// namespace-scope constant.
bool OnBoot(std::function<void()> reset);

// Registers a function run each time the simulated clock has moved forward (AdvanceClock, Sleep, timed-out
// waits), with the machine locked; returns true like OnBoot.
bool OnClockAdvance(std::function<void()> hook);

// The Windows 95 family (95, 98, Me): no service manager, its system folder is SYSTEM.
bool IsWin9xFamily(const OsVersion& os);

// Case-insensitive ASCII comparison and folding, as Windows compares names.
bool EqualNoCase(const std::string& a, const std::string& b);
std::string Lower(std::string text);
// Upper-case ASCII folding: the order in which Windows sorts names (registry keys, directory entries).
std::string Upper(std::string text);

}  // namespace winsim::detail

#endif
