// winsim's named mutexes as other processes see them. The simulated machine runs one process; these
// controls stand for a second one (another setup program) that holds a named mutex, or that ended while
// holding it. Like the other machine controls they act outside the API: neither logged nor faulted.
//
// Names follow the object namespace of the simulated Windows: on NT 5.0 and later one "Global\" or
// "Local\" prefix is accepted (the machine has one session, so both reach the same object); before NT 5.0
// there are no such prefixes, and any name holding a backslash fails with ERROR_PATH_NOT_FOUND.
#ifndef WINSIM_SYNC_H
#define WINSIM_SYNC_H

#include <string>

namespace winsim {

// Another process creates the named mutex when needed and owns it from now on: waits in this process on
// it time out (after moving the clock by their time-out).
void HoldMutexElsewhere(const std::string& name);

// The other process ends while owning the mutex: the next wait here returns WAIT_ABANDONED and owns it.
void AbandonMutexElsewhere(const std::string& name);

// Whether a mutex of this name exists (some handle or the other process keeps it), and whether anybody
// owns it now.
bool MutexExists(const std::string& name);
bool MutexOwned(const std::string& name);

}  // namespace winsim

#endif
