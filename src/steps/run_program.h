// Opening a program through the shell, with WinExec as the fallback. Neither waits for the program.
#ifndef BASETDIC_STEPS_RUN_PROGRAM_H
#define BASETDIC_STEPS_RUN_PROGRAM_H

namespace basetdic {

// Opens programPath with the shell's "Open" verb and the parameters (null: none), shown; when the shell
// refuses, runs "\"programPath\" parameters" (or programPath alone) with WinExec. True when either
// started it; false for a null path, when both refuse, or when the fallback command line would exceed 259
// characters.
bool RunProgram(const char* programPath, const char* parameters);

}  // namespace basetdic

#endif
