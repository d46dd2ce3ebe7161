// Starting a program from its own directory and waiting for it with a time-out.
#ifndef BASETDIC_STEPS_RUN_AND_WAIT_H
#define BASETDIC_STEPS_RUN_AND_WAIT_H

namespace basetdic {

// Starts programPath (a full path) with a command line of a blank followed by arguments (none when
// arguments is null), in the program's directory (the caller's current directory when the path has no
// backslash), shown with SW_SHOWDEFAULT, and waits up to timeoutMs (negative: without limit; 0 only
// tests). True when it started and ended within the wait; false when it could not be started, is still
// running at the time-out (it is left running), or the path (259 characters at most) or the arguments
// (1022 at most) are too long to pass.
bool RunAndWait(const char* programPath, const char* arguments, int timeoutMs);

}  // namespace basetdic

#endif
