// A test hook for the machine folder's saves: BASETDIC_HOST_CRASH_AT=N kills the process with SIGKILL at
// the Nth step of a run's journal, commit or recovery, so that tests can show that a run killed anywhere
// leaves a folder that the next run brings back to the machine before it or after it.
#ifndef BASETDIC_HOST_CRASH_POINT_H
#define BASETDIC_HOST_CRASH_POINT_H

namespace host::platform {

// One step done; dies here when it is the Nth.
void CrashPoint();

}  // namespace host::platform

#endif
