// What the report says about a step beyond its status words and changes: the platform calls that failed
// during it, and notices when the operation did not do what its name says.
#ifndef BASETDIC_HOST_STEP_FACTS_H
#define BASETDIC_HOST_STEP_FACTS_H

#include <windows.h>

#include <string>

namespace host {

// A platform call the step made that failed, with the Windows error it failed with.
struct FailedCall {
  std::string function;   // "DeleteFileA"; empty when only the error left on the thread is known
  std::string arguments;  // the key arguments as the call log gives them
  DWORD error = 0;
};

// A notice about a step. The code is stable for scripts; the text says it in the user's terms.
struct Notice {
  std::string code;  // "no-branch", "not-nt", "no-setup-folder"
  std::string text;
};

}  // namespace host

#endif
